// This file implements the Polish descriptions of system error numbers.
#include "console/error_text.h"

#include <cerrno>
#include <cstring>

namespace console {

std::string describe_error(int error_number) {
  switch (error_number) {
    case ENOENT: return "nie ma takiego pliku ani katalogu";
    case EISDIR: return "to jest katalog, a nie plik";
    case EACCES:
    case EPERM: return "brak uprawnień";
    case EIO: return "błąd wejścia-wyjścia";
    case ENOSPC: return "brak miejsca na urządzeniu";
    case EPIPE: return "odbiorca potoku zakończył pracę";
    case EBADF: return "strumień jest zamknięty";
    case ENOMEM: return "za mało pamięci";
    case ENAMETOOLONG: return "za długa nazwa";
    case ENOTDIR: return "element ścieżki nie jest katalogiem";
    case ELOOP: return "za dużo dowiązań symbolicznych";
    case EINVAL: return "nieprawidłowy argument";
    case EFBIG: return "za duży plik";
    case EOVERFLOW: return "za duży plik";
    case ENXIO: return "brak urządzenia lub adresu";
    case EAGAIN: return "zasób chwilowo niedostępny";
    default: break;
  }
  return std::string("błąd systemu ") + std::to_string(error_number) + " (" + std::strerror(error_number) + ")";
}

}  // namespace console
