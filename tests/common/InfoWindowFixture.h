#pragma once

#include "info/frmInfo.h"
#include "state/ServiceLog.h"
#include "tests/common/RecordingDialogs.h"
#include "tests/common/SimLink.h"
#include "tests/common/TestFiles.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

// A control of a window by its object name (the information window's controls are private).
template <typename T> T* control(const QObject& window, const char* name)
{
    return window.findChild<T*>(QLatin1String(name));
}

// A simulated gauge (connected unless told otherwise), a fresh service log in a temporary
// program folder and recording dialogs.
struct GaugeFixture {
    QTemporaryDir programFolder;
    RecordingDialogs dialogs;
    std::unique_ptr<SimSession> sim = std::make_unique<SimSession>();

    explicit GaugeFixture(bool connected = true)
    {
        setUserDialogs(&dialogs);
        sharedState().ProgramFolder = programFolder.path();
        StartServiceLog();
        if (connected)
            sim->connect();
    }
    ~GaugeFixture() { setUserDialogs(nullptr); }
};

// The same with the information window.
struct InfoWindowFixture : GaugeFixture {
    QTemporaryDir pcFolder; // the folder the download and the upload dialogs choose
    QPointer<frmInfo> window;

    explicit InfoWindowFixture(bool connected = true)
        : GaugeFixture(connected), window(new frmInfo(&sim->link))
    {
        window->applyLanguage();
    }
    ~InfoWindowFixture() { delete window.data(); }

    template <typename T> T* control(const char* name) const { return ::control<T>(*window, name); }

    QLineEdit* box(const char* name) const { return control<QLineEdit>(name); }
    QPushButton* button(const char* name) const { return control<QPushButton>(name); }

    // Waits until the sequence a click started has ended, also where the window has gone.
    bool settle() const
    {
        return QTest::qWaitFor(
            [this] { return (!window || !window->isBusy()) && !sim->link.busy(); }, 10000);
    }

    // Clicks a button of the window and waits until its sequence has ended.
    bool run(void (frmInfo::*click)())
    {
        (window->*click)();
        return settle();
    }

    // Records of this connection, as read (or written) in the session.
    QString recordHex(const QString& file) const
    {
        const auto record = sim->session ? sim->session->record(file) : std::nullopt;
        return record ? record->hex : QString();
    }
    // Puts a record into the session as if it had been read.
    void storeRecord(const QString& file, const QByteArray& bytes) const
    {
        sim->session->storeRecord(file, {QString::fromLatin1(bytes.toHex().toUpper()), {}});
    }

    // The status box's text.
    QString trace() const { return box("TraceBox")->text(); }

    // Types these key codes into the Build field (25 81: download and upload, 25 51: factory
    // and restore buttons shown).
    void type(std::initializer_list<int> keys)
    {
        for (int key : keys)
            window->txtBuild_KeyDown(key, 0);
    }

    QString cell(int row, int column) const
    {
        const QTableWidgetItem* item = control<QTableWidget>("MSFlexGrid1")->item(row, column);
        return item ? item->text() : QString();
    }
};
