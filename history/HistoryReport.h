#pragma once

#include "history/HistoryTypes.h"
#include "state/SharedState.h"

// One report of the device sequences as the recorder takes it on the caller's thread: all the
// writer thread needs to apply it, the shared state it refers to copied at the call.
struct HistoryReport {
    enum class Kind {
        VisitStart,    // a link is up: a new visit of the gauge at mac
        VisitEnd,      // the link is down
        Identity,      // the identity fields were read (identity)
        Read,          // a record file was read completely (event.file, hex)
        WriteStarting, // a write of the probe file begins: the visit's gauge is settled as it is
        Write,         // a record file was written (event, hex)
        Event,         // any other event (event)
    };
    Kind kind = Kind::Event;
    QString visitKey; // the visit's key, unique across PCs; made when the visit starts
    QString mac;      // the connected gauge, for a visit the report has to start
    QString programVersion;
    QDateTime at; // UTC, when reported
    IdentityFields identity;
    bool probe = false; // Read: the probe record, whose serial names the gauge
    QString hex;        // Read, Write: the content in upper-case hex
    HistoryEvent event;
};
