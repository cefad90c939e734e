#pragma once

#include "fakes/FakePasteboard.h"
#include "fakes/FakeWorkspace.h"
#include "fakes/MemoryDefaultsStore.h"
#include "services/ClipboardMonitor.h"
#include "services/HistoryService.h"
#include "services/IgnoredAppsManager.h"
#include "services/Preferences.h"
#include "store/FetchDescriptor.h"
#include "store/ModelContainer.h"
#include "store/ModelContext.h"

#include <QSqlQuery>
#include <QTest>
#include <QTemporaryDir>
#include <QThread>

#include <memory>

// The history service and a clipboard monitor over a fresh store, with fakes for everything the
// desktop provides: the services a capture or a copy-back runs through.
struct MonitorHarness
{
    using Flavours = QList<QPair<QString, QByteArray>>;

    QTemporaryDir folder;
    std::unique_ptr<ModelContainer> container;
    MemoryDefaultsStore defaults;
    Preferences preferences{&defaults};
    FakePasteboard pasteboard;
    FakeWorkspace workspace;
    FakeAlertSound sound;
    std::unique_ptr<IgnoredAppsManager> ignoredApps;
    std::unique_ptr<HistoryService> history;
    std::unique_ptr<ClipboardMonitor> monitor;

    explicit MonitorHarness(const QStringList &switchedOff = {})
    {
        QString error;
        container = ModelContainer::open(folder.filePath(QStringLiteral("history.sqlite")), &error);
        if (!container)
            qFatal("cannot open the store: %s", qPrintable(error));
        for (const QString &key : switchedOff)
            defaults.set(key, false);
        workspace.installed.insert(QStringLiteral("com.bitwarden.desktop"), QStringLiteral("/b.desktop"));
        workspace.frontmost = {QStringLiteral("org.mozilla.firefox"), QStringLiteral("Firefox")};
        ignoredApps = std::make_unique<IgnoredAppsManager>(&preferences, &workspace, nullptr);
        history = std::make_unique<HistoryService>(container.get(), &preferences, &pasteboard, &sound);
        monitor = std::make_unique<ClipboardMonitor>(&pasteboard, &workspace, &preferences, ignoredApps.get(),
                                                     history.get());
        monitor->startMonitoring();
    }

    ModelContext *context() const { return container->mainContext(); }
    QList<ClipboardItemPtr> entries() const
    {
        return context()->fetch(FetchDescriptor::historyNewestFirst()).value_or(QList<ClipboardItemPtr>());
    }
    // The entry holding `text`, or null.
    ClipboardItemPtr entryWithText(const QString &text) const
    {
        for (const ClipboardItemPtr &item : entries()) {
            if (item->textContent() == text)
                return item;
        }
        return nullptr;
    }

    // Another application copies, and the next poll runs. Each copy lands at a later millisecond
    // than the one before, so the newest-first order of the history is the order of the copies.
    void copy(const Flavours &flavours)
    {
        QThread::msleep(2);
        pasteboard.setContents(flavours);
        monitor->checkForChanges();
        settle();
    }
    // Waits while an image of a copy is being made off the interface thread.
    void settle() const
    {
        if (!QTest::qWaitFor([this] { return !monitor->isRecording(); }, 60000))
            qFatal("an image capture never finished");
    }
    void copyText(const QString &text) { copy({{QStringLiteral("text/plain"), text.toUtf8()}}); }

    // Every later read or write of the history fails.
    void breakStore() const
    {
        if (!QSqlQuery(container->database()).exec(QStringLiteral("ALTER TABLE ClipboardItem RENAME TO Gone")))
            qFatal("cannot break the store");
    }

    ClipboardItemPtr save(const ClipboardItemPtr &item)
    {
        context()->insert(item);
        if (!context()->save())
            qFatal("cannot save a test record");
        return item;
    }
};
