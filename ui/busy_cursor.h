#pragma once

#include <QApplication>
#include <QCursor>

namespace morvel {

// The wait cursor for as long as a piece of long work runs: an import, a
// summary, a map drawing. Restored however the work ends.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace morvel
