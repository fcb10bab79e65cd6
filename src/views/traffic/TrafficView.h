#pragma once

#include "link/SerialPort.h"
#include "link/TrafficDecoder.h"
#include "shell/MonitorView.h"

#include <QPointer>
#include <QTimer>

#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class TrafficFilter;
class TrafficModel;
struct SharedState;

// Lists every frame on the line, both ways, as it passes: the time of day, direction, kind,
// length, payload and its fields in words, and a line of its own each time the link is lost, is
// being reconnected or comes up. Keeps the last 10,000 lines. Pause holds the list still (lines
// go on being gathered and show on Resume), Clear empties it, the two lists choose a direction and
// a kind, the find box keeps the lines whose kind or fields hold its text, and Save… writes the
// lines shown to a text file.
//
// It watches the port only while it exists. Its place is stored as "traffic_frm_geometry":
// "left top width height" in pixels.
class TrafficView : public MonitorView, public LineObserver
{
    Q_OBJECT
public:
    // New lines join the list at most this often, however fast they come.
    static constexpr int BatchMs = 50;
    // Its size in pixels when no place is stored.
    static constexpr int DefaultWidth = 900;
    static constexpr int DefaultHeight = 360;

    explicit TrafficView(const ViewContext& context, QWidget* parent = nullptr);
    ~TrafficView() override;

    TrafficModel& model() { return *m_model; }
    // Writes the lines the filter shows, one a line, tab-separated; false with a reason that
    // says what to do.
    bool saveTo(const QString& path, QString* error) const;
    void restoreGeometrySettings() override;
    void saveGeometrySettings() override;
    // Puts the lines gathered since the last batch into the list (the batch timer's tick).
    void showNewLines();

    // LineObserver
    void received(const QByteArray& bytes) override;
    void sent(const QByteArray& bytes) override;

private:
    void buildControls();
    void applyFilter();
    void setPaused(bool paused);
    void clear();
    void save();
    void updateStatus();
    void armBatch();
    // A line of its own about the link, as the session's link state changes.
    void noteLinkState();

    QPointer<SerialPort> m_port;
    TrafficDecoder m_decoder;
    std::vector<TrafficLine> m_pending;
    QTimer m_batchTimer;
    bool m_paused = false;

    TrafficModel* m_model = nullptr;
    TrafficFilter* m_filter = nullptr;
    QTableView* m_table = nullptr;
    QPushButton* m_pause = nullptr;
    QComboBox* m_direction = nullptr;
    QComboBox* m_kind = nullptr;
    QLineEdit* m_find = nullptr;
    QLabel* m_status = nullptr;
};
