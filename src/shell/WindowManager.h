#pragma once

#include "views/history/HistoryWindowServices.h"
#include "views/settings/SettingsServices.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>

#include <functional>

// The ordinary windows besides the popup, at most one of each kind: a request shows the kind's
// window when one is visible, else builds a new one centred on the screen, large enough for its
// content. A closed window is deleted and forgotten, so the next request starts afresh.
//
// In each window Kavla's own keys work as in the popup: Ctrl+, Ctrl+H and Ctrl+? open Settings,
// the history window and the guide, Ctrl+Q quits, and Esc or Ctrl+W closes the window. Main
// thread only.
//
// The windows are made over the services the start-up hands it; the guide follows the language
// and appearance managers of the Settings services.
class WindowManager : public QObject
{
    Q_OBJECT
public:
    static constexpr QSize SettingsSize{800, 560};
    static constexpr QSize SettingsMinimumSize{720, 490};
    static constexpr QSize HelpSize{880, 600};
    static constexpr QSize HelpMinimumSize{740, 480};
    static constexpr QSize HistorySize{720, 600};
    static constexpr QSize HistoryMinimumSize{480, 360};

    explicit WindowManager(const SettingsServices &settings = {}, const HistoryWindowServices &history = {},
                           QObject *parent = nullptr);
    ~WindowManager() override;

    // Closes the popup, then raises the Settings window or opens one.
    void openSettings();

    // Closes the popup, then raises the user guide or opens it on its shortcut page.
    void openHelp();

    // Closes the popup, then raises the history window or opens one; nothing without a history.
    void openHistory();

    // The size a window opens at: `ideal`, grown to what its content needs to show whole (its
    // buttons in the longest language), within the screen's `available` room where that allows.
    static QSize openingSize(const QWidget *window, QSize ideal, const QRect &available);

    QWidget *settingsWindow() const { return m_settings.window; }
    QWidget *helpWindow() const { return m_help.window; }
    QWidget *historyWindow() const { return m_history.window; }

Q_SIGNALS:
    // A window is about to be raised or opened: the popup closes.
    void windowRequested();
    // A new window of some kind is on screen (not emitted when an open one is only raised).
    void windowOpened(QWidget *window);
    // Ctrl+Q in one of the windows.
    void quitRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // One window of a kind: its current instance and how a new one looks.
    struct Slot
    {
        QPointer<QWidget> window;
        QSize size;
        QSize minimumSize;
    };
    using WindowFactory = std::function<QWidget *()>;
    // Raises the slot's visible window; otherwise builds one with `factory` and shows it.
    QWidget *show(Slot &slot, const WindowFactory &factory, const char *logName);

    Slot m_settings{{}, SettingsSize, SettingsMinimumSize};
    Slot m_help{{}, HelpSize, HelpMinimumSize};
    Slot m_history{{}, HistorySize, HistoryMinimumSize};
    SettingsServices m_settingsServices;
    HistoryWindowServices m_historyServices;
};
