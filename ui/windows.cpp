#include "ui/windows.h"

#include <QDir>
#include <utility>

#include "ui/dialogs.h"

namespace morvel {

Windows::Windows(SharedState& state, Dialogs& dialogs, QString programFolder,
                 QString databaseFolder)
    : state_(state),
      dialogs_(dialogs),
      programFolder_(QDir(programFolder).absolutePath()),
      databaseFolder_(
          QDir(databaseFolder.isEmpty() ? programFolder : databaseFolder).absolutePath()),
      documents_(databaseFolder_) {}

Windows::~Windows() {
    for (auto& [name, form] : loaded_) delete form.data();
}

void Windows::add(const QString& name, Factory factory) {
    factories_[name] = std::move(factory);
}

Form* Windows::loaded(const QString& name) const {
    const auto it = loaded_.find(name);
    return it == loaded_.end() ? nullptr : it->second.data();
}

Form* Windows::load(const QString& name) {
    if (Form* form = loaded(name)) return form;
    const auto factory = factories_.find(name);
    if (factory == factories_.end()) return nullptr;
    Form* form = factory->second(*this);
    // Registered before onLoad, so that the window counts as loaded while
    // its loading runs (an import's loading shows the main menu).
    loaded_[name] = form;
    form->onLoad();
    return loaded(name) == form ? form : nullptr;
}

Form* Windows::show(const QString& name) {
    Form* form = load(name);
    if (!form) return nullptr;
    form->show();
    form->raise();
    form->activateWindow();
    return form;
}

void Windows::hide(const QString& name) {
    if (Form* form = loaded(name)) form->hide();
}

void Windows::unload(const QString& name) {
    const auto it = loaded_.find(name);
    if (it == loaded_.end()) return;
    QPointer<Form> form = it->second;
    loaded_.erase(it);
    if (form) {
        form->hide();
        form->deleteLater();
    }
}

QStringList Windows::loadedNames() const {
    QStringList names;
    for (const auto& [name, form] : loaded_) {
        if (form) names << name;
    }
    return names;
}

bool Windows::anyVisible() const {
    for (const auto& [name, form] : loaded_) {
        if (form && form->isVisible()) return true;
    }
    return false;
}

void Windows::end() {
    const QStringList names = loadedNames();
    for (const QString& name : names) unload(name);
    ended_ = true;
    emit programEnded();
}

std::shared_ptr<const MapOutlines> Windows::mapOutlines() {
    if (!mapOutlines_) mapOutlines_ = MapOutlines::load(QDir(programFolder_));
    return mapOutlines_;
}

}  // namespace morvel
