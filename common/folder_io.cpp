// What both systems share of the file-system calls of the result files: the folder listing (the
// platform layer's) and the words for an error.
#include <cerrno>
#include <cstring>

#include "common/folder_io.h"
#include "common/platform.h"

namespace orvane::fileio {

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  if (!folder.empty()) platform::ListFolder(folder, names);
  return names;
}

std::string ErrorReason(int error) {
  switch (error) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
      return "brak miejsca na dysku";
    case EFBIG:
      return "plik przekracza dopuszczalny rozmiar";
    case EACCES:
    case EPERM:
      return "brak uprawnień";
    case EROFS:
      return "system plików tylko do odczytu";
    case EISDIR:
      return "to jest folder";
    case ENOENT:
      return "nie istnieje";
    case ENOTDIR:
      return "to nie jest folder";
    case ELOOP:
      return "dowiązanie symboliczne";
    case ENAMETOOLONG:
      return "za długa ścieżka";
    case EIO:
      return "błąd wejścia-wyjścia";
    case EBUSY:
#ifdef ETXTBSY
    case ETXTBSY:
#endif
      return "plik jest zajęty";
    case EINVAL:
      return "to nie jest zwykły plik";
    default:
      return std::strerror(error);
  }
}

}  // namespace orvane::fileio
