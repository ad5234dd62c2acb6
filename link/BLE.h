#pragma once

#include <QWidget>

class BLEClient;
class BleLink;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// The link window: lists the advertising gauges, connects to the chosen one and hosts the link
// every other window talks through. The logic lives in BleLink; this window shows its state,
// forwards clicks and keeps the shared link variables (DeviceConnected, ServicesFound,
// DeviceAddress and the identifiers) as the link reports them. It is created once, hidden, and
// only ever shown and hidden again.
class BLE : public QWidget
{
    Q_OBJECT
public:
    explicit BLE(BLEClient* client, QWidget* parent = nullptr);

    BleLink* link() const { return m_link; }

    // Captions the language switch sets on this window.
    void applyLanguage();
    // The selected list row, or -1 when nothing is selected.
    int selectedRow() const;

    QListWidget* lbDevices = nullptr;
    QLineEdit* txtLog = nullptr;
    QPushButton* cmdScan = nullptr;
    QPushButton* cmdConnect = nullptr;
    QLabel* Label1 = nullptr;

signals:
    // The gauge is connected and ready for commands; the window has hidden itself.
    void linkReady();
    // The link went down.
    void linkDown();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Load();
    void refresh();
    void refreshList();
    void publishLinkState();
    void onLinkReady();

    BleLink* m_link = nullptr;
};
