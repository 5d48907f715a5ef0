#!/usr/bin/env python3
"""Plants one realistic fault at a time in the product code and runs the
tests against it, to measure how many faults the suite catches.

For each fault of the table below: the exact text is replaced in its file,
the build is rebuilt (cmake --build), ctest runs with a timeout per test and
stops at the first failing test, and the file is restored with
`git checkout -- FILE`. A fault is caught when a test fails, "not compiled"
when the build fails (such a fault measures nothing and belongs replaced),
and survived when every test passes.

Usage: tools/plant_faults.py [--build-dir build] [--only ID,ID] [--all] [--list]
--all runs every test for each fault, so that the table names every test
that catches it (slower: the first failure no longer ends the run).
Run from anywhere inside the work tree; the files of the faults must have no
uncommitted changes, since each is restored from git.
"""

import argparse
import os
import re
import signal
import subprocess
import sys
import time
from pathlib import Path

# id, file, exact text (must occur once), replacement, what the fault does
FAULTS = [
    ("look-dark-text", "ui/controls.cpp",
     "        palette.setColor(text, kWindowTextColour);\n",
     "",
     "the windows' background without its dark text: a dark desktop's light text on it"),
    ("look-green", "ui/controls.h",
     "inline constexpr QColor kGreenTextColour{0, 112, 0};",
     "inline constexpr QColor kGreenTextColour{0, 128, 0};",
     "green text in the confirmed fill's colour, 4.1:1 on the background"),
    ("look-options", "ui/controls.cpp",
     "return {QPalette::WindowText, QPalette::ButtonText, QPalette::Text};",
     "return {QPalette::WindowText, QPalette::ButtonText};",
     "option buttons' captions left in the text boxes' colour"),
    ("look-window", "windows/overview_window.cpp",
     "    setWindowColours(this, kWindowColour);",
     "    setBackgroundColour(this, kWindowColour);",
     "overview: only the window coloured, its labels in the desktop's light text"),
    ("look-dimmed", "ui/controls.cpp",
     "        palette.setColor(QPalette::Inactive, r, palette.color(QPalette::Active, r));",
     "",
     "lists dimmed while they lack the focus"),
    ("key-escape", "ui/form.cpp",
     "    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {",
     "    if (event->key() == Qt::Key_Escape && event->modifiers() != Qt::NoModifier) {",
     "Escape no longer closes a window"),
    ("key-menu-escape", "windows/main_menu_window.h",
     "    void escapePressed() override {}",
     "",
     "Escape on the main menu ends the program"),
    ("key-tab", "windows/overview_window.cpp",
     "    table->setTabKeyNavigation(false);",
     "    table->setTabKeyNavigation(true);",
     "Tab moves within the overview table"),
    ("size-minimum", "windows/square_view_window.cpp",
     "    setMinimumSize(kMinimumSize);",
     "    setMinimumSize(designedSize_);",
     "square view: no smaller than designed"),
    ("size-columns", "windows/square_view_window.cpp",
     "const bool twoColumns = height() < designedSize_.height();",
     "const bool twoColumns = height() > designedSize_.height();",
     "square view: the second column in the wrong windows"),
    ("size-field", "windows/square_view_window.cpp",
     "surface->setGeometry(0, 0, std::min(width(), drawingWidth), height());",
     "surface->setGeometry(rect());",
     "square view: the field drawn under the controls in a narrow window"),
    ("title-width", "ui/dialogs.cpp",
     "                      grid->rowCount(), 0, 1, grid->columnCount());",
     "                      grid->rowCount(), 0, 1, 1);",
     "message box: the title's room in the first column only"),
    ("title-spacer", "ui/dialogs.cpp",
     "    if (auto* grid = qobject_cast<QGridLayout*>(box->layout())) {",
     "    if (auto* grid = qobject_cast<QGridLayout*>(box->layout()); grid && false) {",
     "message box: no room for its title"),
    ("geo-flip", "geo/locator.cpp",
     "if (x < 0) d = kPi - d;", "if (x > 0) d = kPi - d;",
     "distance: the obtuse-angle branch flipped"),
    ("io-regular", "database/file_system_linux.cpp",
     "if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {", "if (::fstat(fd, &st) != 0) {",
     "regular-file check dropped: a FIFO or device opens as a file"),
    ("io-efbig", "database/file_system_linux.cpp",
     "const bool writing = errno == ENOSPC || errno == EFBIG || errno == EDQUOT;",
     "const bool writing = errno == ENOSPC || errno == EDQUOT;",
     "a too-large write blamed on the file read, not the file written"),
    ("qra-readonly", "database/qra_file.cpp",
     "    if (info.exists() &&\n        (info.permissions()",
     "    if (false &&\n        (info.permissions()",
     "writeDatabase: read-only check dropped"),
    ("qra-offset", "database/qra_file.cpp",
     "const qint64 offset = static_cast<qint64>(recordNo - 1) * FieldRecord::kSize;",
     "const qint64 offset = static_cast<qint64>(recordNo) * FieldRecord::kSize;",
     "readRecord: record offset one record too far"),
    ("qra-nolock", "database/qra_file.cpp",
     "    DatabaseLock lock(path);\n    if (!lock.acquire(error)) return false;\n    std::vector<FieldRecord> records;",
     "    std::vector<FieldRecord> records;",
     "replaceSquare: no lock"),
    ("qra-tail", "database/qra_file.cpp",
     "if (info.exists() && info.size() > kDatabaseSize) {", "if (false) {",
     "writeDatabase: bytes past the 324th record not kept"),
    ("names-record", "database/qra_names.cpp",
     "(static_cast<unsigned char>(second) - 'A') + 1;",
     "(static_cast<unsigned char>(second) - 'A');",
     "recordNumber: off by one record"),
    ("record-swap", "database/field_record.cpp",
     "qToLittleEndian<qint16>(worked, out + 6);\n    qToLittleEndian<qint16>(confirmed, out + 8);",
     "qToLittleEndian<qint16>(confirmed, out + 6);\n    qToLittleEndian<qint16>(worked, out + 8);",
     "encode: worked and confirmed swapped"),
    ("lock-message", "database/database_lock.cpp",
     "busy_ = lock_.error() == QLockFile::LockFailedError;",
     "busy_ = lock_.error() != QLockFile::LockFailedError;",
     "a busy lock reported as a lock file that cannot be made"),
    ("input-leap", "database/square_input.cpp",
     "return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);",
     "return year % 4 == 0 && year % 100 != 0;",
     "leap years: the 400-year rule dropped"),
    ("stats-tie", "statistics/statistics.cpp",
     "if (stats.odxkm < k) {", "if (stats.odxkm <= k) {",
     "statistics: the last of equal distances wins"),
    ("summary-name", "statistics/summary.cpp",
     "return filename.left(dot + 1) + QStringLiteral(\"txt\");",
     "return filename.left(dot) + QStringLiteral(\"txt\");",
     "proposed summary name loses its dot"),
    ("adif-lotw", "import/adif_reader.cpp",
     "isStatus(lotw, 'V') || isStatus(lotw, '1') ?", "isStatus(lotw, '1') ?",
     "ADIF: LoTW status V no longer confirms"),
    ("adif-qslv", "import/adif_reader.cpp",
     "isStatus(qsl, 'Y') || isStatus(qsl, 'V') ?", "isStatus(qsl, 'Y') ?",
     "ADIF: QSL_RCVD V no longer confirms"),
    ("adif-invalid", "import/adif_reader.cpp",
     "if (sources == 0 && (isStatus(qsl, 'I')", "if ((isStatus(qsl, 'I')",
     "ADIF: an I drops the record although another source confirms it"),
    ("adif-chosen", "import/adif_reader.cpp",
     "c.confirmed = (sources & options.confirmedBy) != 0;", "c.confirmed = sources != 0;",
     "ADIF: a source left out of --confirmed-by still confirms"),
    ("adif-freq", "import/adif_reader.cpp",
     "if (isBlank(recordBand)) recordBand =", "if (recordBand.empty()) recordBand =",
     "ADIF: a blank BAND no longer takes the band of FREQ"),
    ("bands-edge", "import/adif_bands.cpp",
     "if (hz >= b.lowHz && hz <= b.highHz) return b.name;",
     "if (hz > b.lowHz && hz <= b.highHz) return b.name;",
     "ADIF band table: a band's lower edge lies outside it"),
    ("bands-decimals", "import/adif_bands.cpp",
     "            if (decimals < 6) {", "            if (decimals < 5) {",
     "ADIF band table: FREQ read to 10 Hz, so 148.000001 falls on 2m"),
    ("edi-eight", "import/contact.cpp",
     "return eight == LogDate::Malformed ? readLogDate(text, 6, ddmmyy) : eight;",
     "return readLogDate(text, 6, ddmmyy);",
     "EDI: eight-digit dates unreadable again"),
    ("iso-pivot", "maps/map_export.cpp",
     "(parts[2] >= 80 ? 1900 : 2000)", "(parts[2] > 80 ? 1900 : 2000)",
     "ISO dates: 80 read as 2080"),
    ("iso-order", "maps/map_export.cpp",
     "const QDate date(year, parts[1], parts[0]);", "const QDate date(year, parts[0], parts[1]);",
     "ISO dates: day and month swapped"),
    ("heading-jpeg", "maps/map_export.cpp",
     "format == ExportFormat::Png || format == ExportFormat::Svg || format == ExportFormat::Pdf;",
     "format != ExportFormat::OtherPicture;",
     "exports: JPEG gets the heading too"),
    ("heading-height", "maps/map_heading.cpp",
     "headed.size = QSizeF(map.size.width(), map.size.height() + kHeadingHeight);",
     "headed.size = map.size;",
     "exports: the heading takes the map's last rows"),
    ("field-part", "maps/field_view_renderer.h",
     "return {view.width() * 1200 / kFieldViewLogicalWidth,",
     "return {view.width() * 1500 / kFieldViewLogicalWidth,",
     "field export: the controls' blank room at its right again"),
    ("suffix-dot", "ui/dialogs.cpp",
     "(name.endsWith(QLatin1Char('.')) ? path.chopped(1) : path)", "path",
     "Save As: a name ending in a dot gets two dots"),
    ("filter-case", "ui/dialogs.cpp",
     "dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);",
     "dialog.setFilter(dialog.filter() | QDir::CaseSensitive);",
     "file dialog: filters match in one case only"),
    ("follow-keep", "ui/controls.cpp",
     "        if (!found.isEmpty()) setCurrentItem(found.front());\n", "",
     "database list: a refresh on a folder change loses the selection"),
    ("menu-watch", "windows/main_menu_window.cpp",
     "    connect(folderWatcher, &FolderWatcher::changed, this, &MainMenuWindow::onFolderChanged);\n",
     "", "main menu: the list no longer follows the folder"),
    ("print-white", "windows/field_map_window.cpp",
     "state().mapview, MapPaper::White);", "state().mapview);",
     "print: the beige background on paper again"),
    ("print-cancel", "windows/field_map_window.cpp",
     "            error) &&\n        !error.isEmpty())", "            error))",
     "print: a cancelled print dialog reported as a failure"),
    ("adif-first", "import/adif_reader.cpp",
     "if (index >= 0 && (record_.seen_ >> index & 1U) == 0) {", "if (index >= 0) {",
     "ADIF: the last of a repeated field counts instead of the first"),
    ("edi-field", "import/edi_reader.cpp",
     "readLogLocator(fields[9], c.locator);", "readLogLocator(fields[8], c.locator);",
     "EDI: locator read from the wrong field"),
    ("edi-maxline", "import/edi_reader.cpp",
     "line_.size() + n <= static_cast<std::size_t>(kMaxEdiLine)",
     "line_.size() + n < static_cast<std::size_t>(kMaxEdiLine)",
     "EDI: a line of exactly the maximum is too long"),
    ("contact-upgrade", "import/contact.cpp",
     "return !state.confirmed && (contact.confirmed || !state.hasCall);",
     "return !state.confirmed && !state.hasCall;",
     "a confirmation no longer upgrades a worked square"),
    ("frame-backup", "import/import_frame.cpp",
     "if (!commitSynced(backup_, error_))", "if (false)",
     "import: the backup is never committed"),
    ("frame-keepaside", "import/import_frame.cpp",
     "if (!keepAside(files_.backup, error_) || !keepAside(files_.changelog, error_)) {",
     "if (false) {",
     "import: previous backup and change log not kept aside"),
    ("frame-readonly", "import/import_frame.cpp",
     "        if ((info.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther)) == 0)\n",
     "        if (false)\n",
     "import: read-only database found only after writing the other files"),
    ("frame-samefile", "import/import_frame.cpp",
     "if (sameOpenFile(log_, database_))", "if (false)",
     "import: the database itself accepted as the log"),
    ("files-claimsame", "import/import_files.cpp",
     "    if (sameFile(state, database)) {", "    if (false) {",
     "claimName: a name that is the database itself is claimed"),
    ("files-link", "import/import_files.cpp",
     "    if (state.isLink) return removeName(path, error);",
     "    if (false) return removeName(path, error);",
     "claimName: a link of the name is not removed"),
    ("files-putback", "import/import_files.cpp",
     "    if (QFileInfo::exists(noneName(path))) {", "    if (false) {",
     "putBack: a name that had no file keeps the new one"),
    ("map-west", "maps/field_map_renderer.cpp",
     "pick.fieldwest = static_cast<float>((20 * f + 180) % 360);",
     "pick.fieldwest = static_cast<float>((20 * f + 160) % 360);",
     "pickField: western edge off by one field"),
    ("map-colour", "maps/field_map_renderer.cpp",
     "const QColor kWorkedFill(249, 96, 79);", "const QColor kWorkedFill(249, 96, 80);",
     "field map: worked colour off by one"),
    ("map-swap", "maps/field_map_renderer.cpp",
     "Square& cell = grid.at(firstColumn + i, firstRow + j);",
     "Square& cell = grid.at(firstColumn + j, firstRow + i);",
     "field map: square digits swapped"),
    ("view-row", "maps/field_view_renderer.cpp",
     "const int j = 9 - static_cast<int>(row);", "const int j = 8 - static_cast<int>(row);",
     "readOutAt: row off by one"),
    ("menu-size", "windows/main_menu_window.cpp",
     "    showStatistics(true, true);", "    showStatistics(true, false);",
     "main menu: a database of the wrong size is not reported"),
    ("menu-recover", "windows/main_menu_window.cpp",
     "    if (!path.isEmpty() && !recoverInterruptedImport(",
     "    if (false && !recoverInterruptedImport(",
     "main menu: an interrupted import is not put right on selection"),
    ("square-option", "windows/square_edit_panel.cpp",
     "(confirmedOnly ? confirmedOption : workedOption)->setChecked(true);",
     "(confirmedOnly ? workedOption : confirmedOption)->setChecked(true);",
     "square view: the stored state preselects the wrong option"),
    ("fieldmap-click", "windows/field_map_window.cpp",
     "    pickFieldAt(mapPoint);\n    windows().show(kSquareViewWindow);",
     "    windows().show(kSquareViewWindow);",
     "field map: a click opens the field of the last move, not the clicked one"),
    ("controls-system", "ui/controls.cpp",
     "dir.entryList(QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase);",
     "dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name | QDir::IgnoreCase);",
     "file list: FIFOs and devices listed"),
    ("controls-reclick", "ui/controls.cpp",
     "if (pressOnSelected_) emit click();", "if (false) emit click();",
     "file list: a click on the selected name does not read it again"),
    ("live-date", "live/wsjtx_message.cpp",
     "if (!nullDate && (jd < kFirstDay || jd > kLastDay))", "if (!nullDate && jd > kLastDay)",
     "live: a date before 1900 taken (the database keeps two digits of the year)"),
    ("live-dup", "live/live_contacts.cpp",
     "if (const auto found = keys_.find(key); found != keys_.end()) {",
     "if (const auto found = keys_.find(key); found == keys_.end() && false) {",
     "live: a contact read twice taken twice"),
    ("live-pair", "live/live_contacts.cpp",
     "(found->second & pair) != 0 && (found->second & bits) == 0) {",
     "(found->second & pair) != 0 && (found->second & bits) != 0) {",
     "live: a contact sent as QSO Logged and Logged ADIF counted as repeated"),
    ("live-skip-reason", "live/live_contacts.cpp",
     "    if (isBlank(text)) return Skip::NoLocator;\n", "",
     "live: a contact without a locator told as \"not a locator\""),
    ("live-share", "live/udp_source.cpp",
     ": QAbstractSocket::DontShareAddress;",
     ": QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint;",
     "live: a unicast port already in use shared, taking datagrams from its listener"),
    ("live-band-clear", "live/live_session.cpp",
     "            clearClientHighlights(m.id);\n", "",
     "live: the old band's highlights stay after a band change"),
    ("live-band-db", "live/live_session.cpp",
     "const Contents contents = own ? document_->contents() : client.contents;",
     "const Contents contents = document_->contents();",
     "live: callers on another band coloured from the session's database"),
    ("live-restart", "live/live_session.cpp",
     "bool restarted = client.closed;", "bool restarted = false;",
     "live: highlights not sent again to a program that restarted"),
    ("live-new-instance", "live/live_session.cpp",
     "if (other == clients_.end() || !other->second.closed || other->first == m.id) {",
     "if (true) {",
     "live: a new instance of the program gets none of the highlights"),
    ("live-plural", "live/live_session.cpp",
     "QString::fromLatin1(n == 1 ? one : many);", "QString::fromLatin1(many);",
     "live: the window's line says \"1 contacts taken\""),
    ("live-ledger-commit", "import/live_import.cpp",
     "    }\n    commitLedger();\n", "    }\n",
     "live: the ledger's rows of a write rolled back"),
    ("live-ledger-once", "import/live_import.cpp",
     "if (contacts.empty() || ledgerLeftOut_) return false;", "if (contacts.empty()) return false;",
     "live: a ledger that cannot take the contacts said at every write"),
    ("live-ledger-origin", "live/live_session.cpp",
     "            contact.ledger.origin = origin;\n", "",
     "live: the ledger's rows do not name the live source"),
    ("listen-ask", "windows/main_menu_window.cpp",
     "if (answer != MessageAnswer::Yes) {", "if (answer == MessageAnswer::Yes) {",
     "main menu: No to stopping stops listening, Yes goes on"),
    ("listen-line-db", "windows/main_menu_window.cpp",
     "const QString line = QStringLiteral(\"Listening for \") + name + QStringLiteral(\": \") + counts;",
     "const QString line = QStringLiteral(\"Listening: \") + counts;",
     "main menu: the listening line does not name the database"),
    ("import-lock-note", "database/database_document.cpp",
     "    outcome.takenOver = lock.takenOver();\n", "",
     "import: a left-over lock file taken over silently"),
    ("bands-threshold", "statistics/overview.cpp",
     '{"70cm", 50},', '{"70cm", 25},',
     "overview: the 70 cm award threshold wrong"),
    ("award-confirmed", "statistics/award_list.cpp",
     "if (confirmedOnly && !e.isConfirmed()) continue;",
     "if (confirmedOnly && e.isConfirmed()) continue;",
     "award list: --confirmed keeps the unconfirmed squares instead"),
    ("export-ring", "maps/map_export.cpp",
     "{e[2], e[1]}, {e[2], e[3]}, {e[0], e[3]}", "{e[0], e[3]}, {e[2], e[3]}, {e[2], e[1]}",
     "KML/GeoJSON: square rings wound clockwise"),
    ("folders-databases", "database/program_folders.cpp",
     "if (program.exists(world) || holdsDatabase(program))", "if (program.exists(world))",
     "a portable folder that lost its maps is taken for an install, its databases left behind"),
    ("ledger-window", "ledger/ledger.h",
     "kSameContactSeconds = 30 * 60;", "kSameContactSeconds = 31 * 60;",
     "ledger: contacts 31 minutes apart taken for one"),
    ("ledger-between", "ledger/ledger.cpp",
     '"BETWEEN ?3 AND ?4"', '"> ?3 AND time < ?4"',
     "ledger: a record exactly 30 minutes later is another contact"),
    ("ledger-order", "import/import_frame.cpp",
     "        const bool written = result_.squaresWritten == 0 ||",
     "        commitLedger();\n        const bool written = result_.squaresWritten == 0 ||",
     "import: the ledger committed before the database is replaced"),
    ("ledger-eqsl", "statistics/awards.cpp",
     "if ((bits & kCardLotwHere) != 0)", "if ((bits & (kCardLotwHere | kEqsl)) != 0)",
     "VUCC: eQSL confirmations counted"),
    ("ledger-sat", "ledger/ledger.cpp",
     'if (c.propMode == "SAT") {', 'if (c.propMode == "SATELLITE") {',
     "VUCC: satellite contacts counted for their band"),
    ("ledger-rpt", "ledger/ledger.cpp",
     'if (c.propMode == "RPT") return bits;', "",
     "VUCC: repeater contacts counted"),
    ("ledger-waiting", "ledger/ledger.cpp",
     "            if (!insertPending()) return failed();\n", "",
     "ledger: a look-up misses the contacts still waiting to go in"),
    ("ledger-rows", "ledger/ledger.cpp",
     "pending_[done + static_cast<std::size_t>(r)]", "pending_[done]",
     "ledger: a statement of 16 rows inserts its first contact 16 times"),
    ("scratch-restore", "import/import_files.cpp",
     "    if (setAside && addHardLink(previous, to)) removeName(previous, ignored);\n", "",
     "import: a failed rename of the scratch copy loses the previous copy"),
    ("ledger-circle", "ledger/ledger.cpp",
     "LocatorDistance(home, mine) <= 100.0F", "LocatorDistance(home, mine) <= 200.0F",
     "VUCC: a 200 km radius instead of the 200 km circle"),
    ("ledger-subsquare", "ledger/ledger.cpp",
     "c.myGrid.size() >= 6 ? 6 : 4", "c.myGrid.size() >= 6 ? 4 : 4",
     "SHF VUCC: any location in the home square counts"),
    ("ledger-qra", "statistics/awards.cpp",
     "        if (!squares.confirmed.test(static_cast<std::size_t>(s))) continue;\n", "",
     "VUCC: a square the .qra does not hold confirmed counted from the ledger"),
    ("ledger-status", "ledger/ledger_contact.cpp",
     'std::string_view("YNRIV")', 'std::string_view("YNRIVZ")',
     "ledger: an unknown received status not counted"),
    ("ledger-date", "ledger/ledger_contact.cpp",
     "    if (!day.ok()) return std::nullopt;\n", "",
     "ledger: an impossible date taken"),
    ("ledger-known", "ledger/ledger.cpp",
     "            ++report.contactsKnown;\n", "",
     "ledger report: contacts seen before not counted"),
    ("ledger-ffma", "statistics/awards.cpp",
     "(creditOf(credits, s) & credit::kCardLotwHere) != 0", "creditOf(credits, s) != 0",
     "FFMA: any confirmation counts"),
    ("ledger-off", "import/import_frame.cpp",
     "if (!request_.ledger) return true;", "if (false) return true;",
     "import: --no-ledger ignored"),
    ("ledger-damaged", "ledger/ledger.cpp",
     "if (!o.db && isDamaged(o.rc) && mode == Mode::ReadWrite) {", "if (false) {",
     "ledger: a file that is no ledger is not moved aside"),
    ("ledger-newer", "ledger/ledger.cpp",
     "if (version > kLedgerSchema) {", "if (version > kLedgerSchema + 10) {",
     "ledger: a newer schema written to"),
    ("ledger-readonly", "ledger/ledger.cpp",
     "    if (mode == Mode::ReadWrite && state.exists &&\n        (QFileInfo",
     "    if (false &&\n        (QFileInfo",
     "ledger: a read-only file not refused"),
    ("ledger-remove", "ledger/ledger.cpp",
     '"DELETE FROM credits WHERE database = ?1"', '"DELETE FROM credits WHERE database = -?1"',
     "ledger: a deleted database keeps its credits"),
    ("ledger-gridline", "ledger/ledger.cpp",
     "if (readVuccGrids(c.vuccGrids, vucc)) {", "if (false && readVuccGrids(c.vuccGrids, vucc)) {",
     "ledger: a grid-line contact credits one grid"),
    ("follow-wait", "live/log_follower.cpp",
     "if (!final && waited < kWaitMs) {", "if (!final && waited <= kWaitMs) {",
     "follower: a value past the log's end waits one millisecond too long"),
    ("follow-final", "live/log_follower.cpp",
     "if (!final && waited < kWaitMs) {", "if (waited < kWaitMs) {",
     "follower: a value still waited for when listening ends is never judged"),
    ("follow-taken", "live/log_follower.cpp",
     "offset_ += taken;", "offset_ += n;",
     "follower: the bytes after a held tag are passed over"),
    ("follow-existing", "live/log_follower.cpp",
     "parser_->recordEnd() <= static_cast<std::uint64_t>(existingEnd_);",
     "parser_->recordEnd() < static_cast<std::uint64_t>(existingEnd_);",
     "follower: the last record there at the start is taken as new"),
    ("follow-kind", "live/log_follower.cpp",
     "return state.exists && !state.isRegular && state.kind != FileKind::None;",
     "return state.exists && state.kind == FileKind::Folder;",
     "follower: a FIFO, socket or device in the log's place accepted"),
    ("follow-once", "live/log_follower.cpp",
     "if (state.kind != refusedKind_) {", "if (true) {",
     "follower: a log that is no file said at every look"),
    ("adif-held-bound", "import/adif_reader.cpp",
     "if (growing_ && remaining_ <= kMaxValueLength) {", "if (growing_) {",
     "follower: a length beyond any field's waited for"),
    ("adif-held-resume", "import/adif_reader.cpp",
     "    growing_ = true;\n    if (held()) onTag(heldTag_, heldEnd_);", "    growing_ = true;",
     "follower: a held value never taken up again when the log grows"),
    ("lock-stale-age", "database/database_lock.cpp",
     "qAbs(h.changed.msecsTo(now)) >= kStaleMs;", "qAbs(h.changed.msecsTo(now)) > kStaleMs;",
     "lock: a left-over lock file taken over a tick late"),
    ("lock-stale-readable", "database/database_lock.cpp",
     "return h.exists && !h.text.readable && h.changed.isValid() &&",
     "return h.exists && h.changed.isValid() &&",
     "lock: an old lock of another host taken over"),
    ("lock-pid", "database/database_lock.cpp",
     "t.readable = pid > 0;", "t.readable = true;",
     "lock: a lock file without a process id read as a lock"),
    ("session-wait-once", "live/live_session.cpp",
     "if (!busySaid_) {", "if (true) {",
     "listen: the wait for a busy lock said at every try"),
    ("listen-plural", "app/cli_listen_command.cpp",
     'return std::to_string(n) + " " + (n == 1 ? one : many);',
     'return std::to_string(n) + " " + many;',
     "listen: one contact said as \"1 contacts\""),
    ("journal-join", "import/live_import.cpp",
     "if (context.liveJournals() == 0 && !begin(source, stamp, error)) {",
     "if (!begin(source, stamp, error)) {",
     "a session begun during another starts a fresh change log over the other's lines"),
    ("journal-leave", "live/live_session.cpp",
     "    if (import_->begun()) document_->leaveLiveJournal();\n", "",
     "a finished session keeps the next one from starting its own change log"),
    ("download-cancel", "windows/download_window.cpp",
     "    if (sync_) sync_->cancel();", "    if (sync_) {}",
     "download window: Cancel does not stop the download"),
    ("live-highlight-stays", "windows/field_map_window.cpp",
     "    connect(&newSquareTimer, &QTimer::timeout, this, [this] { highlightNewSquare(QString()); });",
     "",
     "a live square stays highlighted and never takes its worked or confirmed colour"),
    ("download-menu", "windows/main_menu_window.cpp",
     "    windows().show(kDownloadWindow);", "    windows().show(kOverviewWindow);",
     "main menu: the confirmations button opens another window"),
    ("sync-lotw-short", "download/service_reply.cpp",
     "if (records < expected || !eof) return unusable(cutShort(records, expected));",
     "if (records < expected) return unusable(cutShort(records, expected));",
     "a LoTW reply without its end mark applied as whole"),
    ("sync-lotw-many", "download/service_reply.cpp",
     "if (records > expected) return unusable(tooMany(records, expected));",
     "if (records > expected + 1) return unusable(tooMany(records, expected));",
     "a LoTW count that lies by one accepted"),
    ("sync-qrz-count", "download/service_reply.cpp",
     "if (count.records < expected) return unusable(cutShort(count.records, expected));",
     "",
     "a QRZ reply with fewer records than its COUNT applied"),
    ("sync-eqsl-path", "download/service_reply.cpp",
     "return c == '.' || c == '/';", "return c != '\"';",
     "an eQSL link to another server followed"),
    ("sync-retries", "download/confirmation_sync.cpp",
     "if (retries_ < request_.retryWaitsMs.size()) {",
     "if (retries_ <= request_.retryWaitsMs.size()) {",
     "LoTW's request limit tried once more than said"),
    ("sync-state-late", "download/confirmation_sync.cpp",
     "    state.set(stateKey(\"since\"), nextSince_);",
     "    state.set(stateKey(\"since\"), QString());",
     "the next download's date not kept: every download asks for everything"),
    ("sync-ledger-source", "download/confirmation_apply.cpp",
     "            return ConfirmSource::Eqsl;",
     "            return ConfirmSource::Lotw;",
     "eQSL confirmations recorded as LoTW (counted for VUCC)"),
    ("sync-mygrid", "download/confirmation_apply.cpp",
     "if (mySquare.size() == 4 && db.ownSquare == mySquare) return &db;",
     "if (mySquare.size() == 4 && db.ownSquare != mySquare) return &db;",
     "a band's confirmation to the database of another location"),
    ("sync-secret", "download/service_client.cpp",
     "if (secretKeys.contains(key, Qt::CaseInsensitive)) value = QStringLiteral(\"***\");",
     "if (secretKeys.contains(key, Qt::CaseSensitive)) value = QStringLiteral(\"***\");",
     "a Password query item shown in an error"),
    ("sync-size", "download/service_client.cpp",
     "if (static_cast<qint64>(body_.size()) + bytes.size() > limits_.maxBytes) {",
     "if (static_cast<qint64>(body_.size()) > limits_.maxBytes * 2) {",
     "a reply past the size limit kept"),
    ("copy-exdev", "database/file_system_linux.cpp",
     "if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP) break;",
     "if (errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP) break;",
     "copy: a fast copy refused across file systems fails the copy"),
    ("copy-restart", "database/file_system_linux.cpp",
     "    std::vector<char> buffer(1 << 20);\n    for (;;) {\n        const ssize_t n = ::pread(",
     "    offset = from;\n    std::vector<char> buffer(1 << 20);\n    for (;;) {\n"
     "        const ssize_t n = ::pread(",
     "copy: the fallback starts again at the beginning after a part was copied"),
    ("stop-wake", "app/cli_listen_command.cpp",
     "if (openWakePipe(pipe_)) stopPipeWriteEnd = pipe_.writeEnd;",
     "if (openWakePipe(pipe_)) {}",
     "listen: SIGTERM never reaches the event loop"),
    ("address-bare-v6", "live/udp_source.cpp",
     "        addressText = text;\n        portGiven = false;\n",
     "        addressText = text;\n",
     "listening address: a bare IPv6 address read as ADDRESS:PORT"),
    ("address-port-range", "live/udp_source.cpp",
     "port > 65535", "port > 65536",
     "listening address: port 65536 taken (as port 0)"),
    ("spacing-at-once", "live/live_session.cpp",
     "delay = std::max<qint64>(0, minWriteIntervalMs - sinceWrite_.elapsed());",
     "delay = minWriteIntervalMs;",
     "live writes: the first contact after a quiet spell waits a whole spacing"),
    ("spacing-together", "live/live_session.cpp",
     "    sinceWrite_.start();\n", "",
     "live writes: every contact written at once, none gathered"),
    ("pending-spill", "live/live_session.cpp",
     "if (spillToPendingFile(0, spill)) {", "if (spillToPendingFile(1, spill)) {",
     "pending file: the first waiting contact left out at the end of a session"),
    ("pending-take", "live/live_session.cpp",
     "takingPendingFile_ = QFileInfo::exists(pendingFileName(databasePath_));",
     "takingPendingFile_ = false;",
     "pending file: the next session does not take it"),
    ("pending-remove", "live/live_session.cpp",
     "        if (batch->takesPendingFile && !removeName(pendingFileName(database), error)) return false;\n",
     "",
     "pending file: left in place once its contacts are in"),
    ("live-begin-once", "import/live_import.cpp",
     "    begun_ = true;\n", "",
     "live session: a new change log and backup at every write, earlier lines lost"),
    ("cli-locale", "app/cli_main.cpp",
     '    std::setlocale(LC_NUMERIC, "C");\n', "",
     "morvel-cli: numbers follow the user's locale (decimal commas)"),
    ("svg-scale", "maps/map_export.cpp",
     "    svg.setSize(pixels);", "    svg.setSize(map.size.toSize());",
     "SVG export: width and height left at scale 1"),
    # The windows read the database's owner and write through it.
    ("edit-ledger", "import/square_edit.cpp",
     "        if (!write || !write->record(database.fileName(), {&contact, 1}, report, cause) ||\n"
     "            !write->commit(cause))",
     "        if (!write || !write->record(database.fileName(), {&contact, 1}, report, cause))",
     "the editor's ledger write never committed: rolled back with the ledger closed"),
    ("edit-changelog", "import/square_edit.cpp",
     "        if (!context.appendChangelog(squareEditLine(edit.entry, square), cause))\n"
     "            result->journalProblem = cause.message();\n",
     "",
     "the editor's save leaves the change log without its line"),
    ("edit-cleared", "import/square_edit.cpp",
     "        if (!edit.entry.hasContact()) return true;\n",
     "",
     "a cleared square recorded in the ledger as a contact"),
    ("edit-file-first", "import/square_edit.cpp",
     "        if (!context.writeRecords(error)) return false;",
     "        context.writeRecords(error);",
     "a failed database write still journalled and reported as saved"),
    ("sources-name", "windows/square_view_window.cpp",
     "                if (ledger && !ledger->contacts(file, square, contacts, error)) contacts.clear();",
     "                if (ledger && !ledger->contacts(folder, square, contacts, error)) contacts.clear();",
     "the square view asks the ledger by path, not by database name: every source unknown"),
    ("map-follow", "windows/field_map_window.cpp",
     "        if (drawn) redrawTimer.start();\n    });",
     "    });",
     "the field map no longer redrawn when the owner publishes new contents"),
    ("menu-size-shown", "windows/main_menu_window.cpp",
     "        stats->fileSize = contents->fileSize;\n",
     "",
     "main menu: a database of the wrong size no longer said so"),
    ("menu-follow", "windows/main_menu_window.cpp",
     "            if (!readingStatistics && isVisible() && !state().databasePath.isEmpty())",
     "            if (readingStatistics && isVisible() && !state().databasePath.isEmpty())",
     "main menu: totals no longer follow a write of the selected database"),

]


def run(cmd, cwd, log, env=None, timeout=None):
    with open(log, "w") as out:
        try:
            return subprocess.run(cmd, cwd=cwd, stdout=out, stderr=subprocess.STDOUT, env=env,
                                  timeout=timeout).returncode
        except subprocess.TimeoutExpired:
            out.write("\n[plant_faults] timed out\n")
            return 124


def failed_tests(log):
    """The ctest tests and gtest cases that failed, as 'ctest-name' or 'ctest-name:Case.Name'."""
    text = Path(log).read_text(errors="replace")
    failed = text.split("The following tests FAILED:")[-1] if "FAILED:" in text else ""
    names = re.findall(r"^\s+\d+ - (\S+) \(", failed, re.M)
    cases = sorted(set(re.findall(r"^\[  FAILED  \] (\w+\.\w+)", text, re.M)))
    return names, cases


def main():
    # A stopped run still restores the file it changed (the finally below).
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("stopped"))
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build-dir", default="build")
    parser.add_argument("--only", help="comma-separated fault ids")
    parser.add_argument("--list", action="store_true", help="print the table and stop")
    parser.add_argument("--timeout", type=int, default=300, help="seconds per test")
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--all", action="store_true", help="every test, not up to the first failure")
    args = parser.parse_args()

    root = Path(subprocess.check_output(["git", "rev-parse", "--show-toplevel"], text=True).strip())
    build = (root / args.build_dir).resolve()
    faults = FAULTS
    if args.only:
        wanted = args.only.split(",")
        faults = [f for f in FAULTS if f[0] in wanted]
        unknown = set(wanted) - {f[0] for f in faults}
        if unknown:
            sys.exit("unknown fault ids: " + ", ".join(sorted(unknown)))
    if args.list:
        for fid, path, _, _, what in faults:
            print(f"{fid:18} {path:34} {what}")
        return 0

    # Each file is restored from git, so it must hold nothing uncommitted;
    # every text must be found exactly once before anything is built.
    for fid, path, find, _, _ in faults:
        if subprocess.run(["git", "diff", "--quiet", "HEAD", "--", path], cwd=root).returncode:
            sys.exit(f"{path} has uncommitted changes; commit or stash them first")
        count = (root / path).read_text().count(find)
        if count != 1:
            sys.exit(f"{fid}: the text occurs {count} times in {path}")

    logs = build / "plant_faults"
    logs.mkdir(parents=True, exist_ok=True)
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    build_cmd = ["cmake", "--build", str(build), "-j", str(args.jobs)]
    if run(build_cmd, root, logs / "baseline-build.log") != 0:
        sys.exit("the unchanged code does not build; see " + str(logs / "baseline-build.log"))

    results = []
    for fid, path, find, replace, what in faults:
        source = root / path
        started = time.monotonic()
        try:
            source.write_text(source.read_text().replace(find, replace, 1))
            if run(build_cmd, root, logs / f"{fid}-build.log") != 0:
                verdict, by = "not compiled", ""
            else:
                ctest = ["ctest", "--test-dir", str(build), "--timeout", str(args.timeout),
                         "--output-on-failure"] + ([] if args.all else ["--stop-on-failure"])
                code = run(ctest, root, logs / f"{fid}-ctest.log", env=env)
                names, cases = failed_tests(logs / f"{fid}-ctest.log")
                verdict = "caught" if code != 0 else "survived"
                # The shell tests print no gtest cases: they are named as ctest names them.
                shell = [n for n in names if n not in ("core", "ui", "safety")]
                by = ", ".join(cases + shell or names or ([] if code == 0 else [f"ctest exit {code}"]))
        finally:
            subprocess.run(["git", "checkout", "--", path], cwd=root, check=True)
        seconds = time.monotonic() - started
        results.append((fid, path, what, verdict, by))
        print(f"{fid:18} {verdict:12} {seconds:5.0f}s  {by}", flush=True)

    # Leaves the build as the code is.
    run(build_cmd, root, logs / "restore-build.log")

    caught = sum(1 for r in results if r[3] == "caught")
    survived = [r for r in results if r[3] == "survived"]
    uncompiled = sum(1 for r in results if r[3] == "not compiled")
    planted = len(results) - uncompiled
    print()
    print(f"{'fault':18} {'file':34} {'verdict':12} caught by")
    for fid, path, what, verdict, by in results:
        print(f"{fid:18} {path:34} {verdict:12} {by}")
    print()
    percent = 100.0 * caught / planted if planted else 0.0
    print(f"caught {caught} of {planted} faults planted ({percent:.0f} %), "
          f"{len(survived)} survived, {uncompiled} not compiled")
    for fid, _, what, _, _ in survived:
        print(f"  survived: {fid}: {what}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
