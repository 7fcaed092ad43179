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
    case EINTR: return "przerwane wywołanie systemowe";
    case ENODEV: return "brak takiego urządzenia";
    case ETXTBSY: return "plik jest w użyciu";
    case EROFS: return "system plików tylko do odczytu";
    case ESPIPE: return "niedozwolone przesunięcie w strumieniu";
#if defined(EDQUOT)
    case EDQUOT: return "przekroczony przydział miejsca na dysku";
#endif
#if defined(ESTALE)
    case ESTALE: return "nieaktualny uchwyt pliku sieciowego";
#endif
    case EDEADLK: return "plik jest zablokowany";
    case ENOLCK: return "brak wolnych blokad";
    // A stream that is a socket or a device behind a network.
    case ENOTCONN: return "gniazdo nie jest połączone";
    case EDESTADDRREQ: return "gniazdo nie ma adresu docelowego";
    case ENOTSOCK: return "to nie jest gniazdo";
    case ECONNRESET: return "połączenie zerwane przez drugą stronę";
    case ECONNREFUSED: return "połączenie odrzucone";
    case ECONNABORTED: return "połączenie przerwane";
    case ETIMEDOUT: return "przekroczony czas oczekiwania";
    case EHOSTUNREACH: return "komputer docelowy jest nieosiągalny";
    case ENETDOWN: return "sieć nie działa";
    case ENETUNREACH: return "sieć jest nieosiągalna";
    case ENETRESET: return "sieć zerwała połączenie";
    case ENOBUFS: return "brak miejsca w buforach systemu";
    case EMSGSIZE: return "za długi komunikat";
    case EOPNOTSUPP: return "działanie nieobsługiwane";
    default: break;
  }
  return std::string("błąd systemu ") + std::to_string(error_number) + " (" + std::strerror(error_number) + ")";
}

}  // namespace console
