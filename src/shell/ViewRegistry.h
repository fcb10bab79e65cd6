#pragma once

#include "shell/MonitorView.h"

#include <QPointer>

#include <array>
#include <vector>

class MonitorView;
struct ViewContext;

// The views that open inside the main window.
enum class ViewId
{
    Dimmers,
    Fixtures,
    Playbacks,
    Page,
    Scene,
    Show,
    Traffic,
};

// One view as the program offers it. The Window menu, the reopening after a link-up, the stored
// "<prefix>_frm_open" keys, the help window and the making of the view all read this table.
struct ViewDescriptor
{
    ViewId id;
    const char* menuName;       // the Window menu entry's object name
    const char* menuText;       // its text, with its mnemonic
    int menuPlace;              // from the top of the Window menu; a separator before 100
    const char* settingsPrefix; // "<prefix>_frm_open" and the view's geometry keys
    const char* helpPage;       // the help page that explains it
    bool waitsForConsoleType;   // offered once the console has said what it is
    bool reopens;               // reopened after a link-up when it was open
    MonitorView* (*create)(const ViewContext& context);
};

// The table of views, and which of them is open now.
class ViewRegistry
{
public:
    static constexpr size_t Count = size_t(ViewId::Traffic) + 1;
    // Every view, in the order they reopen after a link-up.
    static const std::vector<ViewDescriptor>& all();
    static const ViewDescriptor& of(ViewId id);

    MonitorView* open(ViewId id) const { return m_open[size_t(id)].data(); }
    bool isOpen(ViewId id) const { return open(id) != nullptr; }
    bool anyOpen() const;
    void setOpen(ViewId id, MonitorView* view) { m_open[size_t(id)] = view; }
    // The view of this window name that is open, if any.
    MonitorView* openByName(const QString& formName) const;

private:
    std::array<QPointer<MonitorView>, Count> m_open{};
};
