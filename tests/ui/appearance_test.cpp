#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressDialog>
#include <QStyle>
#include <QStyleFactory>
#include <QTableWidget>
#include <QTimer>
#include <cmath>

#include "app_fixture.h"
#include "ui/dialogs.h"
#include "ui/work_progress.h"
#include "windows/save_map.h"

namespace morvel::test {
namespace {

const QString kDb = QStringLiteral("2M JO62QM HOME.QRA");
// What an empty label or box shows while its colours are measured.
const QString kProbe = QStringLiteral("Morvel 73 IO85 Edit");

// WCAG 2 relative luminance and contrast ratio.
double luminance(const QColor& c) {
    const auto linear = [](double v) {
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}
double contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The program's look under a dark desktop, as main() sets it up: Fusion with
// the palette Qt makes of a dark grey (light text on dark windows, boxes and
// buttons) and a dark desktop's selection, or a dark style with its own.
struct DarkDesktop {
    explicit DarkDesktop(const QString& style)
        : oldStyle_(QApplication::style()->name()), oldPalette_(QApplication::palette()) {
        QApplication::setStyle(style);
        QPalette dark(QColor(53, 53, 53));
        dark.setColor(QPalette::Highlight, QColor(42, 130, 218));
        dark.setColor(QPalette::HighlightedText, Qt::black);
        QApplication::setPalette(style == "Fusion" ? dark
                                                   : QApplication::style()->standardPalette());
        applyButtonStyle(*qApp);
    }
    ~DarkDesktop() {
        qApp->setStyleSheet(QString());
        QApplication::setStyle(oldStyle_);
        QApplication::setPalette(oldPalette_);
    }
    QString oldStyle_;
    QPalette oldPalette_;
};

// Reads the texts of a window as drawn: the window is grabbed with a text
// and without it; the pixels that differ are the text's, and the most
// contrasting of them, where a stroke covers a whole pixel, gives the text's
// contrast against what is drawn behind it.
class ContrastWalk {
public:
    explicit ContrastWalk(QWidget* window, QString context)
        : window_(window), context_(std::move(context)) {}

    void walk() {
        for (QWidget* w : window_->findChildren<QWidget*>()) {
            // Inactive controls are exempt, as WCAG has it.
            if (w->window() != window_ || !w->isVisibleTo(window_) || !w->isEnabled()) continue;
            auto* label = qobject_cast<QLabel*>(w);
            auto* edit = qobject_cast<QLineEdit*>(w);
            if (label && !label->pixmap().isNull()) continue;
            if (label || edit || qobject_cast<QAbstractButton*>(w) || qobject_cast<QGroupBox*>(w))
                textOf(w, qobject_cast<QGroupBox*>(w) ? "title" : "text", label || edit);
            else if (auto* combo = qobject_cast<QComboBox*>(w))
                comboOf(combo);
            else if (qobject_cast<QListWidget*>(w) || qobject_cast<QTableWidget*>(w))
                itemsOf(qobject_cast<QAbstractItemView*>(w));
        }
    }

    int checked() const { return checked_; }
    const QStringList& failures() const { return failures_; }

private:
    // The text shown in `area` of `widget`, blanked for a moment through `set`.
    void measure(QWidget* widget, QRect area, const QString& text,
                 const std::function<void(const QString&)>& set) {
        area &= widget->rect();
        if (area.isEmpty()) return;
        const QRect inWindow(widget->mapTo(window_, area.topLeft()), area.size());
        const auto grab = [&] {
            return window_->grab(inWindow).toImage().convertToFormat(QImage::Format_RGB32);
        };
        const QImage with = grab();
        set(QString());
        const QImage without = grab();
        set(text);
        int pixels = 0;
        double best = 0;
        for (int y = 0; y < with.height(); ++y) {
            for (int x = 0; x < with.width(); ++x) {
                const QRgb a = with.pixel(x, y), b = without.pixel(x, y);
                if (a == b) continue;
                ++pixels;
                best = std::max(best, contrast(QColor(a), QColor(b)));
            }
        }
        ++checked_;
        const QString where = context_ + '/' +
                              (widget->objectName().isEmpty() ? widget->metaObject()->className()
                                                              : widget->objectName()) +
                              " \"" + text + '"';
        if (pixels == 0)
            failures_ << where + ": no text drawn";
        else if (best < 4.5)
            failures_ << where + ": contrast " + QString::number(best, 'f', 2);
    }

    // A label's or a box's text, a probe where it is empty; a button's or a
    // frame's where it has one.
    void textOf(QWidget* widget, const char* property, bool probeEmpty) {
        const QString text = widget->property(property).toString();
        if (text.isEmpty() && !probeEmpty) return;
        const QString shown = text.trimmed().isEmpty() ? kProbe : text;
        auto* edit = qobject_cast<QLineEdit*>(widget);
        const QString placeholder = edit ? edit->placeholderText() : QString();
        if (edit) edit->setPlaceholderText(QString());
        widget->setProperty(property, shown);
        measure(widget, widget->rect(), shown,
                [&](const QString& t) { widget->setProperty(property, t); });
        widget->setProperty(property, text);
        if (edit) edit->setPlaceholderText(placeholder);
    }

    void comboOf(QComboBox* combo) {
        const int index = combo->currentIndex();
        if (combo->count() == 0) return;
        combo->setCurrentIndex(std::max(index, 0));
        const int shown = combo->currentIndex();
        const QString text = combo->itemText(shown);
        measure(combo, combo->rect(), text,
                [&](const QString& t) { combo->setItemText(shown, t); });
        combo->setCurrentIndex(index);
    }

    // The items in sight and a table's column headings.
    void itemsOf(QAbstractItemView* view) {
        QAbstractItemModel* model = view->model();
        for (int r = 0; r < model->rowCount(); ++r) {
            for (int c = 0; c < model->columnCount(); ++c) {
                const QModelIndex index = model->index(r, c);
                const QString text = index.data().toString();
                const QRect area = view->visualRect(index);
                if (text.isEmpty() || !view->viewport()->rect().contains(area)) continue;
                measure(view->viewport(), area, text,
                        [&](const QString& t) { model->setData(index, t); });
            }
        }
        auto* table = qobject_cast<QTableWidget*>(view);
        for (int c = 0; table && c < model->columnCount(); ++c) {
            QHeaderView* header = table->horizontalHeader();
            const QString text = model->headerData(c, Qt::Horizontal).toString();
            if (text.isEmpty()) continue;
            measure(
                header->viewport(),
                {header->sectionViewportPosition(c), 0, header->sectionSize(c), header->height()},
                text, [&](const QString& t) { model->setHeaderData(c, Qt::Horizontal, t); });
        }
    }

    QWidget* window_;
    QString context_;
    int checked_ = 0;
    QStringList failures_;
};

// The windows beside the main menu: the control that shows one drawn, the
// one holding the focus when Escape is pressed, the window Escape goes back
// to, and how many texts it shows at least.
const std::tuple<QLatin1String, const char*, const char*, QLatin1String, int> kWindows[] = {
    {kCreateDatabaseWindow, nullptr, "Text2", kMainMenuWindow, 8},
    {kDeleteDatabaseWindow, nullptr, "File2", kMainMenuWindow, 4},
    {kFieldMapWindow, "Command1", nullptr, kMainMenuWindow, 8},
    {kSquareViewWindow, "Command1", "Command1", kFieldMapWindow, 20},
    {kOverviewWindow, nullptr, "OverviewTable", kMainMenuWindow, 30},
};

// Message boxes of each kind of buttons, their titles as wide as they come.
const std::tuple<const char*, const char*, MessageButtons> kBoxes[] = {
    {kSaveMapTitle, "File a.png saved", MessageButtons::Ok},
    {"Morvel: Map JPG Export", "File x.jpg exported", MessageButtons::Ok},
    {"File Delete", "Are you sure you want to delete a.qra ?", MessageButtons::YesNo},
    {"Morvel", "Enter a band", MessageButtons::Ok},
    {"Morvel", "The import may take long", MessageButtons::OkCancel},
};

std::unique_ptr<QMessageBox> shownBox(const char* title, const char* text, MessageButtons buttons) {
    auto box = makeMessageBox(QString::fromLatin1(text), QString::fromLatin1(title), buttons,
                              MessageAnswer::Ok, nullptr);
    box->show();
    return box;
}

class AppearanceTest : public AppFixture {
protected:
    AppearanceTest() : path(makeBlankDatabase(dataDir.path(), kDb)) {
        setSquare(path, "JO", 62, makeEntry("JO62QM", "DL1ABC", "01/02/24", false));
        setSquare(path, "JO", 52, makeEntry("JO52AA", "DL7XYZ", "02/02/24", true));
        makeBlankDatabase(dataDir.path(), QStringLiteral("70CM JO62QM HOME.QRA"));
        state.fieldname = "JO";
        state.fieldwest = 0;
        state.fieldsouth = 50;
        state.mapview = 2;
    }
    // Shows a window alone, on the database, and waits until it is drawn.
    QWidget* open(const QString& name, const char* drawnControl = nullptr) {
        state.databasePath = path;
        for (const QString& loaded : windows.loadedNames()) windows.unload(loaded);
        deleteUnloaded();
        QWidget* w = windows.show(name);
        QApplication::setActiveWindow(w);
        EXPECT_TRUE(waitWhileBusy());
        if (drawnControl) {
            EXPECT_TRUE(activeAndDrawn(w, drawnControl));
        }
        return w;
    }
    QString path;
};

// Under a dark desktop every text of every window and dialog stands out from
// what it is drawn on by at least 4.5:1: the windows' fixed background with
// its own dark text, the lists, boxes and dialogs in the desktop's colours.
TEST_F(AppearanceTest, EveryTextOfEveryWindowIsReadableUnderADarkDesktop) {
    // Adwaita-Dark where Debian's adwaita-qt6 is installed.
    for (const QString style : {"Fusion", "Adwaita-Dark"}) {
        if (!QStyleFactory::keys().contains(style, Qt::CaseInsensitive)) continue;
        const DarkDesktop desktop(style);
        QStringList failures;
        const auto check = [&](QWidget* window, const QString& context, int atLeast) {
            // Read as the user reads it: in the active window (Adwaita dims
            // the texts of the others).
            QApplication::setActiveWindow(window);
            ContrastWalk walk(window, style + QLatin1Char(':') + context);
            walk.walk();
            EXPECT_GE(walk.checked(), atLeast) << context.toStdString();
            failures << walk.failures();
        };
        ASSERT_TRUE(listen(kDb));
        check(menu(), "main menu", 20);
        click(menu(), "ListenButton");
        for (const auto& [window, drawn, focus, back, texts] : kWindows) {
            QWidget* shown = open(window, drawn);
            if (window == kSquareViewWindow) pointAt(shown, fieldCentre(62));  // its edit panel
            EXPECT_TRUE(window != kSquareViewWindow ||
                        control<QWidget>(shown, "Frame2")->isVisible());
            check(shown, window, texts);
        }
        for (const auto& [title, text, buttons] : kBoxes)
            check(shownBox(title, text, buttons).get(), title, 2);
        std::unique_ptr<QDialog> options(makeAdifOptionsDialog(AdifOptions{}, nullptr));
        options->show();
        check(options.get(), "import options", 8);
        {
            WorkProgress progress(windows.show(kMainMenuWindow),
                                  QStringLiteral("Morvel: Import ADIF"), 0);
            progress.update(QStringLiteral("12,000 contacts read, 31 new squares"));
            ASSERT_NE(progress.dialog(), nullptr);
            check(progress.dialog(), "import progress", 1);
        }
        QFileDialog files(nullptr, QStringLiteral("Select ADIF file to import"), dataDir.path(),
                          QStringLiteral("ADIF Files (.adi) (*.adi)"));
        files.setOption(QFileDialog::DontUseNativeDialog);
        files.show();
        check(&files, "file dialog", 6);
        windows.end();
        deleteUnloaded();
        EXPECT_TRUE(failures.isEmpty()) << failures.join('\n').toStdString();
    }
}

// Escape leaves every window but the main menu the way its own button back
// does, from whichever control holds the focus; Tab leaves the overview's
// table on its row.
TEST_F(AppearanceTest, EscapeClosesEveryWindowButTheMenuTabLeavesTheTableEnterPressesAButton) {
    for (const auto& [window, drawn, focus, back, texts] : kWindows) {
        QWidget* w = open(window, drawn);
        QWidget* target = focus ? control<QWidget>(w, focus) : w;
        if (auto* table = qobject_cast<QTableWidget*>(target)) {
            table->setFocus();
            const int row = table->currentRow();
            ASSERT_EQ(w->focusWidget(), table);
            QTest::keyClick(table, Qt::Key_Tab);
            EXPECT_TRUE(w->focusWidget() != table && table->currentRow() == row);
        }
        target->setFocus();
        QTest::keyClick(target, Qt::Key_Escape);
        deleteUnloaded();
        EXPECT_EQ(windows.loaded(window), nullptr) << window.data();
        EXPECT_TRUE(windows.loaded(back) && windows.loaded(back)->isVisible()) << window.data();
    }
    // The main menu stays, and the program goes on; a button with the focus
    // acts on Enter, as it does on the space bar.
    QWidget* menu = select(kDb);
    QTest::keyClick(control<QWidget>(menu, "File1"), Qt::Key_Escape);
    deleteUnloaded();
    ASSERT_TRUE(menu->isVisible() && !windows.ended());
    auto* create = control<QPushButton>(menu, "Command4");
    create->setFocus();
    QTest::keyClick(create, Qt::Key_Return);
    deleteUnloaded();
    EXPECT_NE(windows.loaded(kCreateDatabaseWindow), nullptr);
}

// Presses Escape in the next modal dialog, on the control that has its
// focus. A dialog that Escape leaves open is closed after two seconds and
// counted, so that the test ends either way.
struct EscapeInNextDialog {
    EscapeInNextDialog() {
        poll_.setInterval(20);
        QObject::connect(&poll_, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal) return;
            poll_.stop();
            QWidget* focus = modal->focusWidget() ? modal->focusWidget() : modal;
            QTest::keyClick(focus, Qt::Key_Escape);
            QTimer::singleShot(2000, modal, [this, modal] {
                if (!modal->isVisible()) return;
                stayedOpen = true;
                if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->done(QDialog::Rejected);
            });
        });
        poll_.start();
    }
    bool stayedOpen = false;
    QTimer poll_;
};

TEST(Dialogs, EscapeClosesEveryDialogWithTheAnswerOfClosingIt) {
    QtDialogs dialogs;
    const auto box = [&](MessageButtons buttons, MessageAnswer defaultButton) {
        return dialogs.messageBox("Delete it ?", "File Delete", buttons, defaultButton);
    };
    QTemporaryDir dir;
    const FileDialogRequest request{QStringLiteral("ADIF Files (.adi)|*.adi"), 1,
                                    QStringLiteral("Select ADIF file to import"),
                                    QStringLiteral("log.adi"), dir.path()};
    AdifOptions options;
    options.vuccGrids = true;
    bool ledger = true;
    // Each dialog, closed with the answer of closing it.
    const std::pair<const char*, std::function<bool()>> cases[] = {
        {"Ok", [&] { return box(MessageButtons::Ok, MessageAnswer::Ok) == MessageAnswer::Ok; }},
        {"Yes No",
         [&] { return box(MessageButtons::YesNo, MessageAnswer::Yes) == MessageAnswer::No; }},
        {"Ok Cancel",
         [&] { return box(MessageButtons::OkCancel, MessageAnswer::Ok) == MessageAnswer::Cancel; }},
        {"open", [&] { return !dialogs.openFile(request); }},
        {"save", [&] { return !dialogs.saveFile(request); }},
        {"ADIF options", [&] { return !dialogs.adifImportOptions(options, ledger); }},
    };
    for (const auto& [what, closed] : cases) {
        EscapeInNextDialog escape;
        EXPECT_TRUE(closed()) << what;
        EXPECT_FALSE(escape.stayedOpen) << what;
    }
}

// A 1024 x 600 screen keeps about 1000 x 540 for a window, after its frame,
// its title bar and a desktop panel.
TEST_F(AppearanceTest, TheSquareViewShrinksToASmallScreenWithEveryControlClearOfTheField) {
    QWidget* w = open(kSquareViewWindow, "Command1");
    EXPECT_LE(w->minimumWidth(), 1000);
    EXPECT_LE(w->minimumHeight(), 540);
    for (const QSize size : {w->minimumSize(), QSize(1000, 540), QSize(1012, 725)}) {
        w->resize(size);
        QCoreApplication::processEvents();
        EXPECT_EQ(w->size(), size);
        pointAt(w, fieldCentre(52));
        ASSERT_TRUE(control<QWidget>(w, "Frame2")->isVisible());
        EXPECT_EQ(control<QLabel>(w, "Label10")->text(), "JO52");
        auto* surface = w->findChild<DrawingSurface*>();
        const QPoint fieldEnd = surface->canvas().toPixel(QPointF(1200, 600)).toPoint();
        EXPECT_GE(fieldEnd.y(), size.height() - 2);
        std::vector<std::pair<const char*, QRect>> placed;
        for (const char* name : {"Frame2", "Frame1", "Command1", "Command5", "SaveAs", "Label8",
                                 "Label9", "Label10", "Label11", "Label12"}) {
            const QRect r = control<QWidget>(w, name)->geometry();
            EXPECT_TRUE(w->rect().contains(r))
                << name << " at " << size.width() << "x" << size.height();
            EXPECT_GT(r.left(), fieldEnd.x()) << name << " over the field at " << size.width();
            for (const auto& [other, o] : placed)
                EXPECT_FALSE(r.intersects(o))
                    << name << " over " << other << " at " << size.width();
            placed.emplace_back(name, r);
        }
        // The field fills what the controls leave: the confirmed square shows where it is.
        const QImage shown = surface->grab().toImage();
        const QPoint corner =
            surface->canvas().toPixel(fieldCentre(52) - QPointF(50, 20)).toPoint();
        EXPECT_EQ(shown.pixelColor(corner), QColor(0, 128, 0)) << size.width();
        QTest::keyClick(control<QWidget>(w, "Text1"), Qt::Key_Escape);
    }
}

// Every box is as wide as its title needs in a title bar: the title in bold
// and three window buttons beside it; its text starts at its left and has
// that room too, not a blank column before it.
TEST(Dialogs, AMessageBoxIsWideEnoughForItsWholeTitle) {
    for (const auto& [title, text, buttons] : kBoxes) {
        const auto box = shownBox(title, text, buttons);
        QFont bold = box->font();
        bold.setBold(true);
        EXPECT_EQ(box->windowTitle() + '|' + box->text(), QString::fromLatin1(title) + '|' + text);
        const int titleWidth = QFontMetrics(bold).horizontalAdvance(QString::fromLatin1(title));
        EXPECT_GE(box->width(), titleWidth + 3 * 32) << title;
        const QRect label = control<QLabel>(box.get(), "qt_msgbox_label")->geometry();
        EXPECT_TRUE(label.left() < 40 && label.width() >= titleWidth) << title;
    }
}

}  // namespace
}  // namespace morvel::test
