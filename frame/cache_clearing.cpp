#include "frame/cache_clearing.h"

bool ClearUrlCache() {
    return false;
}

bool CleanFolder(const std::wstring&) {
    return false;
}
