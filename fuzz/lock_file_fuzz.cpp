#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "database/database_lock.h"

// Any bytes read as a lock file: a lock names a process above 0, and what it
// names reads back the same once written out as QLockFile writes it.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const morvel::LockFileText t = morvel::readLockFileText(bytes);
    if (!t.readable) return 0;
    if (t.pid <= 0) std::abort();
    if (t.program.contains(QLatin1Char('\n')) || t.host.contains(QLatin1Char('\n'))) std::abort();
    const std::string again =
        std::to_string(t.pid) + "\n" + t.program.toStdString() + "\n" + t.host.toStdString() + "\n";
    const morvel::LockFileText back = morvel::readLockFileText(again);
    if (again.size() <= morvel::LockFileText::kMaxBytes &&
        (!back.readable || back.pid != t.pid || back.program != t.program || back.host != t.host))
        std::abort();
    return 0;
}
