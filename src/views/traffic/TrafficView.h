#pragma once

#include "link/SerialPort.h"
#include "link/TrafficDecoder.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QTableView;
class TrafficFilter;
class TrafficModel;
struct SharedState;

// Lists every frame on the line, both ways, as it passes: time since the link-up, direction,
// kind, length, payload and its fields in words. Keeps the last 10,000 lines. Pause holds the
// list still (lines go on being gathered and show on Resume), Clear empties it, the two lists
// choose a direction and a kind, and Save… writes the lines shown to a text file.
//
// It watches the port only while it exists: create it when the user opens it, delete it when it
// closes (it deletes itself on close, and so does the sub-window it sits in).
class TrafficView : public QWidget, public LineObserver
{
    Q_OBJECT
public:
    // New lines join the list at most this often, however fast they come.
    static constexpr int BatchMs = 50;

    TrafficView(SerialPort& port, const SharedState& state, QWidget* parent = nullptr);
    ~TrafficView() override;

    TrafficModel& model() { return *m_model; }
    // Writes the lines the filter shows, one a line, tab-separated; false with a reason that
    // says what to do.
    bool saveTo(const QString& path, QString* error) const;
    // The link has been up for this long already: times count from its link-up.
    void setLinkedFor(qint64 ms) { m_decoder.setLinkUp(m_clock.elapsed() - ms); }
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

    QPointer<SerialPort> m_port;
    TrafficDecoder m_decoder;
    QElapsedTimer m_clock;
    std::vector<TrafficLine> m_pending;
    QTimer m_batchTimer;
    bool m_paused = false;

    TrafficModel* m_model = nullptr;
    TrafficFilter* m_filter = nullptr;
    QTableView* m_table = nullptr;
    QPushButton* m_pause = nullptr;
    QComboBox* m_direction = nullptr;
    QComboBox* m_kind = nullptr;
    QLabel* m_status = nullptr;
};
