#pragma once

#include <QByteArray>
#include <QString>

struct SharedState;

// The console's scene buffer as text: one line per event record, each ending in CR LF. Fixture
// events are spelled out with the fixture's name, the channel's name and the value's name from
// the fixture's profile. The record layout (standard or extended) follows the shared state.
//
// The payload is untrusted: a record cut off by the payload's end is not read and gives no line.
class SceneEventText
{
public:
    explicit SceneEventText(const SharedState& state) : m_state(state) {}

    // "Scene buffer is empty." (no line end) when the buffer starts with its end record; nothing
    // for an empty payload.
    QString render(const QByteArray& events);

private:
    // Each appends the line of the record that starts at b, without its line end; every byte
    // of the record lies in the payload.
    void appendRecord(const uchar* b, bool extended);
    void appendFixtureChannel(const uchar* b, bool extended);
    void appendPanTilt(const uchar* b, bool extended);
    void appendFixtureName(int fixture);
    void appendNumber(int value);
    void appendSceneReference(uchar scene, uchar page);

    const SharedState& m_state;
    QString m_text;
};
