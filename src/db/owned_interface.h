// The one owner of a Firebird client interface, for the layer's classes to hold without the
// client's headers: dropped unused, what it holds is released (a parameter block builder
// disposed of).
#pragma once

#include <memory>
#include <type_traits>

namespace Firebird {
class IDisposable;
}  // namespace Firebird

namespace db::detail {

struct ReleaseInterface {
    template <typename T>
    void operator()(T* object) const {
        if constexpr (std::is_base_of_v<Firebird::IDisposable, T>)
            object->dispose();
        else
            object->release();
    }
};

template <typename T>
using Owned = std::unique_ptr<T, ReleaseInterface>;

// A call that ends the object on the server (commit, rollback, detach, free, close) gives the
// interface back itself when it succeeds: the owner then only forgets it.
template <typename T>
void ended(Owned<T>& owner) noexcept {
    (void)owner.release();
}

}  // namespace db::detail
