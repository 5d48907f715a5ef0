#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QThreadPool>
#include <functional>
#include <map>

#include "database/database_document.h"
#include "maps/moving_map.h"
#include "ui/form.h"
#include "ui/printing.h"

class QSettings;

namespace morvel {

class Dialogs;
struct SharedState;

// Owns the program's windows and hands over between them by name, so that a
// window never needs another window's class to open it. A window is loaded
// (created, then onLoad) on first use, shown, hidden with its state kept,
// or unloaded; showing an unloaded window loads it afresh.
class Windows : public QObject {
    Q_OBJECT
public:
    // Makes a new window. The window is top-level and owned by Windows.
    using Factory = std::function<Form*(Windows&)>;

    // programFolder holds the map files (the executable's folder, or
    // <prefix>/share/morvel when installed, see ProgramFolders); the databases
    // lie in databaseFolder, the program's folder unless another is named.
    Windows(SharedState& state, Dialogs& dialogs, QString programFolder,
            QString databaseFolder = QString());
    ~Windows() override;

    void add(const QString& name, Factory factory);
    bool has(const QString& name) const { return factories_.contains(name); }

    // The loaded window, loading it first when needed; nullptr for a name that
    // was never added, or when its onLoad unloaded it again.
    Form* load(const QString& name);
    // Loads when needed, then shows and raises the window.
    Form* show(const QString& name);
    void hide(const QString& name);
    // Hides the window and deletes it once the running handler has returned.
    void unload(const QString& name);

    // The window if loaded, else nullptr; never loads.
    Form* loaded(const QString& name) const;
    template <class T>
    T* loadedAs(const QString& name) const {
        return qobject_cast<T*>(loaded(name));
    }
    QStringList loadedNames() const;
    bool anyVisible() const;

    // Unloads every window and signals the end of the program.
    void end();
    bool ended() const { return ended_; }

    SharedState& state() const { return state_; }
    Dialogs& dialogs() const { return dialogs_; }
    // The folder of the map files; absolute.
    const QString& programFolder() const { return programFolder_; }
    // The folder of the databases; absolute.
    const QString& databaseFolder() const { return databaseFolder_; }
    // The owners of the open databases: every window that reads or writes a
    // database goes through its one owner.
    DatabaseDocuments& documents() { return documents_; }
    std::shared_ptr<DatabaseDocument> document(const QString& path) {
        return documents_.open(path);
    }
    // The printer the print dialog chooses unless another was set (tests record).
    // The coastlines and borders every moving map draws, read on first use
    // from the program folder and shared from then on.
    std::shared_ptr<const MapOutlines> mapOutlines();

    // Where the windows' reading, writing and exporting run. Not Qt's global
    // pool: the painter hands its image work to that one and waits for it,
    // so a long job there would stall the painting of every window.
    QThreadPool& jobs() { return jobs_; }

    Printer& printer() const { return *printer_; }
    void setPrinter(Printer& printer) { printer_ = &printer; }
    // What the program remembers between runs (the last folder of a log);
    // nothing is remembered while none is set.
    QSettings* settings() const { return settings_; }
    void setSettings(QSettings* settings) { settings_ = settings; }

signals:
    void programEnded();

private:
    SharedState& state_;
    Dialogs& dialogs_;
    QString programFolder_;
    QString databaseFolder_;
    DatabaseDocuments documents_;
    std::shared_ptr<const MapOutlines> mapOutlines_;
    QtPrinter systemPrinter_{dialogs_};
    Printer* printer_ = &systemPrinter_;
    QSettings* settings_ = nullptr;
    std::map<QString, Factory> factories_;
    std::map<QString, QPointer<Form>> loaded_;
    bool ended_ = false;
    // Last, so that its running jobs end before what they may use goes.
    QThreadPool jobs_;
};

}  // namespace morvel
