#include "ui/dialogs.h"

#include <gtest/gtest.h>

namespace morvel {
namespace {

struct FilterCase {
    const char* filter;
    QStringList qt;
};

TEST(FileFilter, ConvertsPipeFiltersToQtForm) {
    const FilterCase cases[] = {
        {"txt files|*.txt", {"txt files (*.txt)"}},
        // The import filters: a description with its own parentheses and a
        // pattern with a leading blank.
        {"ADIF Files (.adi)|*.adi|All Files| *.*",
         {"ADIF Files (.adi) (*.adi)", "All Files (*)"}},
        // "*.*" lists names without a dot too.
        {"EDI Files (.edi)|*.edi|All Files| *.*", {"EDI Files (.edi) (*.edi)", "All Files (*)"}},
        {"Some|*.a;*.*", {"Some (*.a *)"}},
        {"Logs|*.adi;*.adif", {"Logs (*.adi *.adif)"}},
        {"Anything", {"Anything (*)"}},
        {"", {}},
    };
    for (const FilterCase& c : cases) {
        EXPECT_EQ(qtNameFilters(QString::fromLatin1(c.filter)), c.qt) << c.filter;
    }
}

}  // namespace
}  // namespace morvel
