#pragma once

#include "info/frmInfo.h"
#include "link/DeviceBusy.h"
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

// A connected simulated gauge, a fresh service log in a temporary program folder, recording
// dialogs and the information window.
struct InfoWindowFixture {
    QTemporaryDir programFolder;
    QTemporaryDir pcFolder; // the folder the download and the upload dialogs choose
    RecordingDialogs dialogs;
    std::unique_ptr<SimSession> sim;
    QPointer<frmInfo> window;

    explicit InfoWindowFixture(bool connected = true)
    {
        sim = std::make_unique<SimSession>();
        setUserDialogs(&dialogs);
        sharedState().ProgramFolder = programFolder.path();
        StartServiceLog();
        if (connected)
            sim->connect();
        window = new frmInfo(&sim->channel);
        window->applyLanguage();
    }
    ~InfoWindowFixture()
    {
        delete window.data();
        setUserDialogs(nullptr);
    }

    template <typename T> T* control(const char* name) const { return ::control<T>(*window, name); }

    QLineEdit* box(const char* name) const { return control<QLineEdit>(name); }
    QPushButton* button(const char* name) const { return control<QPushButton>(name); }

    // Waits until the sequence a click started has ended, also where the window has gone.
    bool settle() const
    {
        return QTest::qWaitFor(
            [this] { return (!window || !window->isBusy()) && !deviceBusy().isBusy(); }, 10000);
    }

    // Clicks a button of the window and waits until its sequence has ended.
    bool run(void (frmInfo::*click)())
    {
        (window->*click)();
        return settle();
    }

    // The status box's text.
    QString trace() const { return box("TraceBox")->text(); }

    // Puts a PC file "probe" with this content into a folder the folder dialog then gives.
    void offerProbeFile(const QByteArray& content)
    {
        writeFile(pcFolder.filePath(QStringLiteral("probe")), content);
        dialogs.folder = pcFolder.path();
    }

    // Shows the download and probe-upload buttons (key codes 25, 81).
    void unlockDownload()
    {
        window->txtBuild_KeyDown(25, 0);
        window->txtBuild_KeyDown(81, 0);
    }

    // "1" or "0" for each of the download, upload, factory and restore buttons: shown or hidden.
    QString shownServiceButtons() const
    {
        QString shown;
        for (const char* name : {"cmdSpeichern", "cmdEinspielen", "cmdFactory", "cmdRestore"})
            shown += QString::number(!button(name)->isHidden());
        return shown;
    }

    QString cell(int row, int column) const
    {
        const QTableWidgetItem* item = control<QTableWidget>("MSFlexGrid1")->item(row, column);
        return item ? item->text() : QString();
    }
};
