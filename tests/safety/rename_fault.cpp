// Preloaded into morvel-cli by the safety tests only: one rename of the run,
// counted over rename, renameat and renameat2, goes wrong as
// MORVEL_RENAME_FAULT="N ACTION" says. ACTION: fail (EIO), fail-on (that
// rename and every later one fail), kill (SIGKILL before it), kill-after
// (SIGKILL once it is done), stop (SIGSTOP before it, as an import held up
// halfway).
#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int count = 0;

enum class Step { Go, Fail, KillAfter };

Step before() {
    const char* spec = std::getenv("MORVEL_RENAME_FAULT");
    int n = 0;
    char action[16] = {};
    if (!spec || std::sscanf(spec, "%d %15s", &n, action) != 2) return Step::Go;
    ++count;
    const bool fromOn = std::strcmp(action, "fail-on") == 0;
    if (count != n && !(fromOn && count > n)) return Step::Go;
    if (std::strcmp(action, "kill") == 0) ::raise(SIGKILL);
    if (std::strcmp(action, "stop") == 0) ::raise(SIGSTOP);
    if (std::strcmp(action, "kill-after") == 0) return Step::KillAfter;
    return std::strncmp(action, "fail", 4) == 0 ? Step::Fail : Step::Go;
}

template <typename F>
F next(const char* name) {
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

template <typename Call>
int around(Call call) {
    const Step step = before();
    if (step == Step::Fail) {
        errno = EIO;
        return -1;
    }
    const int result = call();
    if (step == Step::KillAfter) ::raise(SIGKILL);
    return result;
}

}  // namespace

extern "C" {

int rename(const char* from, const char* to) noexcept {
    static const auto real = next<int (*)(const char*, const char*)>("rename");
    return around([&] { return real(from, to); });
}

int renameat(int fromDir, const char* from, int toDir, const char* to) noexcept {
    static const auto real = next<int (*)(int, const char*, int, const char*)>("renameat");
    return around([&] { return real(fromDir, from, toDir, to); });
}

int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags) noexcept {
    static const auto real =
        next<int (*)(int, const char*, int, const char*, unsigned)>("renameat2");
    return around([&] { return real(fromDir, from, toDir, to, flags); });
}
}
