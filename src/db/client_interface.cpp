#include "db/client_interface.h"

namespace db::detail {

Firebird::IMaster* master() {
    static Firebird::IMaster* m = Firebird::fb_get_master_interface();
    return m;
}

Firebird::IUtil* util() {
    return master()->getUtilInterface();
}

}  // namespace db::detail
