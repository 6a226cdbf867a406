// Path helpers in POSIX form, and the process-wide program directory.
#include "platform/paths.h"

#include <unistd.h>

#include <mutex>
#include <vector>

#include "platform/environment.h"
#include "platform/files.h"
#include "platform/text_codes.h"

// Where the sample settings, site and help files are installed, relative to the
// executable's folder (set by the build from the install layout).
#ifndef RUZ_INSTALLED_DATA
#define RUZ_INSTALLED_DATA "../share/ruz"
#endif

namespace ruz {
namespace {

// Splits on "/" and resolves "." and ".."; ".." never climbs above the start.
std::vector<std::string_view> ResolveSegments(std::string_view path) {
  std::vector<std::string_view> segments;
  std::size_t pos = 0;
  while (pos <= path.size()) {
    std::size_t end = path.find('/', pos);
    if (end == std::string_view::npos) end = path.size();
    std::string_view segment = path.substr(pos, end - pos);
    if (segment == "..") {
      if (!segments.empty()) segments.pop_back();
    } else if (!segment.empty() && segment != ".") {
      segments.push_back(segment);
    }
    pos = end + 1;
  }
  return segments;
}

// Joins the resolved segments; keeps a leading "/" and a trailing "/" (which
// says the path names a directory).
std::string Normalise(std::string_view path) {
  if (path.empty()) return std::string();
  bool absolute = path.front() == '/';
  bool trailing = path.back() == '/' || path.ends_with("/.") || path.ends_with("/..") ||
                  path == "." || path == "..";
  std::string out = absolute ? "/" : "";
  std::vector<std::string_view> segments = ResolveSegments(path);
  for (std::size_t i = 0; i < segments.size(); ++i) {
    if (i > 0) out += '/';
    out += segments[i];
  }
  if (trailing && !segments.empty()) out += '/';
  return out;
}

struct ProgramDirectoryStore {
  std::mutex mutex;
  std::string directory;  // empty until first asked or set
};

ProgramDirectoryStore &Store() {
  static ProgramDirectoryStore store;
  return store;
}

// dir made absolute against the working directory, without a trailing "/".
std::string AbsoluteDirectory(std::string_view dir) {
  if (dir.empty()) return std::string();
  std::string resolved(dir);
  if (dir.front() != '/') {
    std::vector<char> cwd(4096);
    if (getcwd(cwd.data(), cwd.size()) == nullptr) return std::string();
    resolved = PathCombine(Utf8ToCp932(cwd.data()), dir);
  }
  resolved = Normalise(resolved);
  if (resolved.size() > 1 && resolved.back() == '/') resolved.pop_back();
  return resolved;
}

}  // namespace

std::string_view PathFindExtension(std::string_view path) {
  std::string_view name = path.substr(path.rfind('/') + 1);  // npos + 1 == 0
  std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return path.substr(path.size());
  std::string_view extension = name.substr(dot);
  if (extension.find(' ') != std::string_view::npos) return path.substr(path.size());
  return extension;
}

std::string_view PathFindFileName(std::string_view path) {
  // A trailing "/" stays with the last component: "/a/b/" gives "b/".
  std::string_view head = path;
  if (head.size() > 1 && head.back() == '/') head.remove_suffix(1);
  std::size_t slash = head.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string PathRemoveFileSpec(std::string_view path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return std::string();
  if (slash == 0) return "/";
  return std::string(path.substr(0, slash));
}

std::string PathCombine(std::string_view base, std::string_view path) {
  if (path.empty()) return Normalise(base);
  if (path.front() == '/') return Normalise(path);
  if (base.empty()) return Normalise(path);
  std::string joined(base);
  joined += '/';
  joined += path;
  return Normalise(joined);
}

std::string PathAppend(std::string_view dir, std::string_view part) {
  std::size_t first = part.find_first_not_of('/');
  part = first == std::string_view::npos ? std::string_view() : part.substr(first);
  return PathCombine(dir, part);
}

std::string ProgramDirectory() {
  ProgramDirectoryStore &store = Store();
  std::lock_guard<std::mutex> lock(store.mutex);
  if (store.directory.empty()) store.directory = ExecutableDirectory();
  return store.directory;
}

void SetProgramDirectory(std::string_view dir) {
  ProgramDirectoryStore &store = Store();
  std::lock_guard<std::mutex> lock(store.mutex);
  store.directory = AbsoluteDirectory(dir);
}

std::string ExecutableDirectory() {
  std::vector<char> buffer(4096);
  ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size()) return "/";
  return PathRemoveFileSpec(Utf8ToCp932(std::string_view(buffer.data(), n)));
}

std::string InstalledDataDirectory() {
  return PathCombine(ExecutableDirectory(), RUZ_INSTALLED_DATA);
}

std::string FindFileInFolders(std::string_view name, const std::vector<std::string> &folders) {
  for (const std::string &folder : folders) {
    std::string path = PathAppend(folder, name);
    if (IsExistingFile(GetFileInfo(path))) return path;
  }
  return std::string();
}

std::string UserProgramFolder() {
  std::string base;
  if (GetEnvironmentValue("XDG_CONFIG_HOME", base) && base.starts_with('/'))
    return PathAppend(base, "ruz");
  if (GetEnvironmentValue("HOME", base) && base.starts_with('/'))
    return PathAppend(base, ".config/ruz");
  return std::string();
}

ProgramFolderChoice ChooseProgramFolder(std::string_view exeDir, std::string_view installedData,
                                        std::string_view userFolder) {
  const bool portable = GetFileInfo(PathAppend(exeDir, kIniFileName)).exists;
  const bool installed = GetFileInfo(PathAppend(installedData, kIniFileName)).exists;
  if (portable || (!installed && CanWriteInDirectory(exeDir))) {
    return ProgramFolderChoice{std::string(exeDir), false};
  }
  return ProgramFolderChoice{std::string(userFolder), true};
}

bool PrepareUserFolder(std::string_view folder, std::string_view installedData) {
  if (folder.empty() || !MakeDirectories(folder)) return false;
  if (GetFileInfo(PathAppend(folder, kIniFileName)).exists) return true;
  if (!GetFileInfo(installedData).isDirectory) return true;  // nothing to copy from
  return CopyTreeKeepingExisting(installedData, folder);
}

}  // namespace ruz
