#include "menu/startup.h"

#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "database/qra_file.h"
#include "database/qra_names.h"
#include "database/shared_state.h"
#include "menu/statistics.h"
#include "menu/summary.h"
#include "ui/dialogs.h"
#include "ui/twips.h"
#include "ui/window_names.h"
#include "ui/windows.h"

namespace morvel {

Startup::Startup(Windows& windows) : Form(windows, kStartupForm) {
    setWindowTitle(QStringLiteral("Morvel by Tovrin: Main Menu"));
    setClientSizeTwips(10800, 7380);
    setBackgroundColour(this, kWindowColour);

    const QFont bold12 = sansFont(12, true);
    const QFont bold975 = sansFont(9.75, true);
    const QFont statistics = sansFont(13.5);

    Label1 = makeLabel(this, QStringLiteral("Morvel the QRA Squares database by Tovrin"),
                       sansFont(18, true), 240, 120, 10320, 540);
    v = makeLabel(this, QStringLiteral("Version 2.8"), sansFont(9.75), 240, 660, 2400, 300);
    Label6 = makeLabel(this, QStringLiteral("QRA Databases - click on filename to select"), bold12,
                       240, 1080, 6000, 375);

    File1 = new FileList(this);
    placeTwips(File1, 240, 1500, 5400, 2880);

    Label5 = makeLabel(this, QString(), statistics, 240, 4560, 10320, 420);
    Label3 = makeLabel(this, QString(), statistics, 240, 5010, 10320, 420);
    Label4 = makeLabel(this, QString(), statistics, 240, 5460, 10320, 420);
    Label2 = makeLabel(this, QString(), statistics, 240, 5910, 10320, 420);
    Label7 = makeLabel(this, QString(), statistics, 240, 6360, 8000, 420);
    for (QLabel* label : {Label5, Label3, Label4, Label2, Label7}) label->setWordWrap(false);

    Command4 = makeButton(this, QStringLiteral("Create File"), bold12, 5880, 1500, 2280, 495);
    Command4->setToolTip(QStringLiteral("create a new, empty QRA database file"));
    Command1 = makeButton(this, QStringLiteral("Delete File"), bold12, 8280, 1500, 2280, 495);

    Frame2 = makeFrame(this, 5880, 2100, 4680, 1080);
    View = makeButton(Frame2, QStringLiteral("&View/Edit"), bold12, 120, 270, 2040, 495);
    View->setToolTip(QStringLiteral("examine and change square records "));
    Option3.add(1,
                makeOption(Frame2, QStringLiteral("World"), sansFont(9.75), 2400, 90, 2160, 300));
    Option3.add(2,
                makeOption(Frame2, QStringLiteral("Europe"), sansFont(9.75), 2400, 390, 2160, 300));
    Option3.add(3, makeOption(Frame2, QStringLiteral("USA"), sansFont(9.75), 2400, 690, 2160, 300));
    Option3(1)->setChecked(true);

    Command2 = makeButton(this, QStringLiteral("Import ADIF"), bold975, 5880, 3300, 2280, 420);
    Command2->setToolTip(QStringLiteral("Import from V2 ADIF log file"));
    Command6 = makeButton(this, QStringLiteral("Import EDI"), bold975, 8280, 3300, 2280, 420);
    Command6->setToolTip(QStringLiteral("Import in EDI logfile format"));

    Frame1 = makeFrame(this, 5880, 3780, 1920, 780);
    Option1 = makeOption(Frame1, QStringLiteral("Worked"), sansFont(9.75), 120, 90, 1680, 300);
    Option1->setToolTip(QStringLiteral("List worked (and confirmed) squares"));
    Option2 = makeOption(Frame1, QStringLiteral("Confirmed"), sansFont(9.75), 120, 390, 1680, 300);
    Option2->setToolTip(QStringLiteral("List only confirmed squares"));
    auto* frame1Options = new OptionGroup(this);
    frame1Options->add(1, Option1);
    frame1Options->add(2, Option2);
    Option1->setChecked(true);
    Command5 =
        makeButton(this, QStringLiteral("Summary to Text File"), bold975, 7920, 3960, 2640, 420);
    Command5->setToolTip(QStringLiteral("List worked/confirmed to a text file"));

    Command3 = makeButton(this, QStringLiteral("&Quit"), bold12, 8280, 6660, 2280, 495);
    Command3->setToolTip(QStringLiteral("Quit back to windows"));

    for (QWidget* w : std::initializer_list<QWidget*>{
             Label1,   v,        Label6,   Label5,  Label3,  Label4,     Label2,     Label7,
             Command4, Command1, Command3, Frame2,  View,    Option3(1), Option3(2), Option3(3),
             Command2, Command6, Frame1,   Option1, Option2, Command5}) {
        setBackgroundColour(w, kWindowColour);
    }

    connect(File1, &FileList::click, this, &Startup::File1_Click);
    connect(Command4, &QPushButton::clicked, this, &Startup::Command4_Click);
    connect(Command1, &QPushButton::clicked, this, &Startup::Command1_Click);
    connect(Command3, &QPushButton::clicked, this, &Startup::Command3_Click);
    connect(Command2, &QPushButton::clicked, this, &Startup::Command2_Click);
    connect(Command6, &QPushButton::clicked, this, &Startup::Command6_Click);
    connect(Command5, &QPushButton::clicked, this, &Startup::Command5_Click);
    connect(View, &QPushButton::clicked, this, &Startup::View_Click);
}

void Startup::Form_Load() {
    state().filename.clear();
    File1->setPattern(QStringLiteral("*.qra"));
    File1->setFont(sansFont(12, true));
    Label3->clear();
    Label4->clear();
    Label2->clear();
    Label5->clear();
    Label7->clear();
    state().mapfile.clear();
    hideDatabaseControls();
    File1->refresh();
}

void Startup::closeRequested() {
    Command3_Click();
}

void Startup::File1_Click() {
    state().filename = toLatin1Text(File1->fileName());
    if (!state().filename.empty()) state().band = bandFromFileName(state().filename);
    openfile();
}

void Startup::openfile() {
    SharedState& s = state();
    if (s.filename.empty()) return;
    s.homeloc = homeLocatorFromFileName(s.filename);
    const QString name = File1->fileName();
    std::string error;
    const std::optional<Statistics> stats =
        computeStatistics(QDir(File1->folder()).filePath(name), s.homeloc, error);
    if (!stats) {
        // Nothing of the previous file may stay on show as if it were this one's.
        resetSelection();
        dialogs().message(QStringLiteral("Could not read ") + name + QStringLiteral(": ") +
                          QString::fromStdString(error));
        return;
    }
    // The record buffer is left holding the last field, as after a full pass.
    if (auto db = QraFile::open(QDir(File1->folder()).filePath(name), QraFile::Mode::Read, error)) {
        db->read(kRecordCount, s.fieldrec, error);
    }
    s.odxkm = stats->odxkm;
    s.odxcall = stats->odxcall;
    s.odxloc = stats->odxloc;
    const StatisticsCaptions captions = statisticsCaptions(*stats, toLatin1Text(name));
    Label3->setText(fromLatin1Text(captions.label3));
    Label4->setText(fromLatin1Text(captions.label4));
    Label2->setText(fromLatin1Text(captions.label2));
    Label5->setText(QStringLiteral("File: ") + name);
    Label7->setText(fromLatin1Text(captions.label7));
    s.mapfile = toLatin1Text(name);
    showDatabaseControls();
}

void Startup::resetSelection() {
    SharedState& s = state();
    s.filename.clear();
    s.mapfile.clear();
    clearStatistics();
    hideDatabaseControls();
    File1->clearSelection();
}

void Startup::clearStatistics() {
    Label3->clear();
    Label4->clear();
    Label2->clear();
    Label5->clear();
    Label7->clear();
}

void Startup::hideDatabaseControls() {
    for (QWidget* w : std::initializer_list<QWidget*>{View, Command6, Command5, Command2, Frame1,
                                                      Frame2, Option1, Option2}) {
        w->hide();
    }
}

void Startup::showDatabaseControls() {
    for (QWidget* w : std::initializer_list<QWidget*>{View, Command6, Command5, Command2, Frame1,
                                                      Frame2, Option1, Option2}) {
        w->show();
    }
}

void Startup::Command4_Click() {
    windows().unload(kStartupForm);
    windows().show(kCreateForm);
}

void Startup::Command1_Click() {
    windows().hide(kStartupForm);
    windows().show(kDeleteForm);
}

void Startup::Command3_Click() {
    windows().end();
}

void Startup::runImport(const QString& formName) {
    if (!windows().has(formName)) return;
    windows().show(formName);
    windows().unload(formName);
    openfile();
}

void Startup::Command2_Click() {
    runImport(kAdifImportForm);
}

void Startup::Command6_Click() {
    runImport(kEdiImportForm);
}

void Startup::Command5_Click() {
    SharedState& s = state();
    const SummaryMode mode = Option2->isChecked() ? SummaryMode::Confirmed : SummaryMode::Worked;
    const QDir folder(File1->folder());
    FileDialogRequest request;
    request.filter = QStringLiteral("txt files|*.txt");
    request.filterIndex = 1;
    request.title = QStringLiteral("Name of output file");
    request.proposedName = fromLatin1Text(proposedSummaryName(s.filename));
    request.directory = folder.path();
    // Cancel writes nothing.
    const std::optional<QString> chosen = dialogs().saveFile(request);
    if (chosen && !chosen->isEmpty()) {
        std::string error;
        const auto report = writeSummary(folder.filePath(fromLatin1Text(s.filename)),
                                         folder.filePath(*chosen), s.filename, s.homeloc, mode, error);
        if (report) {
            s.odxkm = report->odxkm;
            s.odxcall = report->odxcall;
            s.odxloc = report->odxloc;
        } else {
            dialogs().message(QStringLiteral("The summary could not be written: ") +
                              QString::fromStdString(error));
        }
    }
    QDir::setCurrent(windows().programFolder());
}

void Startup::View_Click() {
    if (!windows().has(kFieldMapForm)) {
        // Say so rather than leave a button that seems to do nothing.
        dialogs().message(QStringLiteral("The field map is not part of this version yet."));
        return;
    }
    QDir::setCurrent(windows().programFolder());
    if (Option3(1)->isChecked()) {
        state().mapview = 1;
    } else if (Option3(2)->isChecked()) {
        state().mapview = 2;
    } else if (Option3(3)->isChecked()) {
        state().mapview = 3;
    }
    windows().unload(kStartupForm);
    windows().show(kFieldMapForm);
}

}  // namespace morvel
