#include "data/heap.h"

#include <malloc.h>

namespace data {

void keepFreedMemory() {
    mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
    mallopt(M_TOP_PAD, 64 * 1024 * 1024);
}

}  // namespace data
