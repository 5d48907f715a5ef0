#include "ui/dialogs.h"

#include <gtest/gtest.h>

namespace morvel {
namespace {

TEST(FileFilter, ConvertsPipeFiltersToQtForm) {
    const struct {
        const char* filter;
        QStringList qt;
    } cases[] = {
        // The import filters: a description with its own parentheses and a
        // pattern with a leading blank; "*.*" lists names without a dot too.
        {"ADIF Files (.adi)|*.adi|All Files| *.*", {"ADIF Files (.adi) (*.adi)", "All Files (*)"}},
        {"Some|*.a;*.*", {"Some (*.a *)"}},
        {"Anything", {"Anything (*)"}},
        {"", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(qtNameFilters(QString::fromLatin1(c.filter)), c.qt) << c.filter;
}

}  // namespace
}  // namespace morvel
