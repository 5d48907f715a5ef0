// Preloaded into morvel-cli by the safety tests only: one rename() of the
// run goes wrong as MORVEL_RENAME_FAULT="N ACTION" says. ACTION: fail (EIO),
// fail-on (that rename and every later one fail), kill (SIGKILL before it),
// kill-after (SIGKILL once it is done), stop (SIGSTOP before it, as an
// import held up halfway), sync-after (it is done, then the next fsync of a
// folder fails with EIO, as a disk that fails under the rename). QSaveFile's commit and the import's put-back both
// rename with rename() on Linux; a run that renamed otherwise would miss its
// fault and fail the test.
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static bool failFolderSync = false;

extern "C" int fsync(int fd) {
    static const auto real = reinterpret_cast<int (*)(int)>(::dlsym(RTLD_NEXT, "fsync"));
    struct stat st {};
    if (failFolderSync && ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        failFolderSync = false;
        errno = EIO;
        return -1;
    }
    return real(fd);
}

extern "C" int rename(const char* from, const char* to) noexcept {
    static const auto real =
        reinterpret_cast<int (*)(const char*, const char*)>(::dlsym(RTLD_NEXT, "rename"));
    static int count = 0;
    const char* fault = std::getenv("MORVEL_RENAME_FAULT");
    int n = 0;
    char action[16] = {};
    if (!fault || std::sscanf(fault, "%d %15s", &n, action) != 2) return real(from, to);
    ++count;
    const bool failOn = std::strcmp(action, "fail-on") == 0;
    if (count != n && !(failOn && count > n)) return real(from, to);
    if (std::strcmp(action, "kill") == 0) ::raise(SIGKILL);
    if (std::strcmp(action, "stop") == 0) ::raise(SIGSTOP);
    if (std::strncmp(action, "fail", 4) == 0) {
        errno = EIO;
        return -1;
    }
    const int result = real(from, to);
    if (std::strcmp(action, "kill-after") == 0) ::raise(SIGKILL);
    failFolderSync = std::strcmp(action, "sync-after") == 0;
    return result;
}
