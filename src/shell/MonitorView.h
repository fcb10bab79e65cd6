#pragma once

#include "shell/ViewContext.h"

#include <QSizeF>
#include <QWidget>

class QMdiSubWindow;

// Base of the views that open as child windows of the main window. A view is created when it is
// opened and destroyed when it is closed; it rebuilds what it shows from the records (or by asking
// the console) in Form_Load, and follows the console through the receiving side's signals, which
// it connects to in its constructor; closing it disconnects them. Its geometry lives in the
// "Startup" settings under "<prefix>_frm_ht", "_wid", "_top" and "_left", in twips.
class MonitorView : public QWidget
{
    Q_OBJECT
public:
    MonitorView(const ViewContext& context, const QString& formName, const QString& settingsPrefix,
                QSizeF defaultSizeTwips, QWidget* parent = nullptr);

    // Runs once the view sits in its sub-window: the view's own load.
    void load() { Form_Load(); }
    // Stores height, width, top and left, in that order: the geometry it has as a normal window.
    virtual void saveGeometrySettings();
    QString settingsPrefix() const { return m_prefix; }
    QMdiSubWindow* subWindow() const;
    // Marks the view as not following the console (the link is down): " (offline)" after its
    // title and its lists' text in the disabled colour. What it shows stays readable.
    void setOffline(bool offline);
    bool offline() const { return m_offline; }

signals:
    void unloaded();

protected:
    virtual void Form_Load() { restoreGeometrySettings(); }
    virtual void Form_Unload() { saveGeometrySettings(); }
    // Reads width, height, left and top; a negative left or top becomes 0, a width or height of
    // 0 or less the view's default. What is shown lies within the main window's visible area.
    virtual void restoreGeometrySettings();
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

    // Keeps `child` as large as the window's outer size less these margins, in twips; an extent
    // at or below its margin leaves the child's extent as it is. Applied now and on every resize.
    void followWindowSize(QWidget* child, float widthMarginTwips, float heightMarginTwips);
    // A command for the console: one write, and only while the port is open.
    void sendIfOpen(const QByteArray& command);

    ViewContext m_ctx;

private:
    QString key(const char* item) const;
    void showOfflineInTitle();
    void fitFollower();

    QString m_prefix;
    QSizeF m_defaultTwips;
    bool m_unloaded = false;
    bool m_offline = false;
    QWidget* m_follower = nullptr;
    float m_widthMargin = 0;
    float m_heightMargin = 0;
};
