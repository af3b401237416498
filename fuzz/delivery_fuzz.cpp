// The sync's checks of a file to deliver, on any bytes: a plain JPEG for a card (first
// byte even) or a one-record database for internal memory (odd). Whatever they say,
// they must neither crash nor leak; a database that passes names itself.
#include <cstdint>
#include <cstdlib>
#include <string>
#include "standin/Delivery.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    if (data[0] % 2 == 0) {
        checkJpeg(data + 1, size - 1);
    } else {
        std::string name;
        if (checkDatabase(data + 1, size - 1, &name).empty() && (name.empty() || name.size() > 31)) std::abort();
    }
    return 0;
}
