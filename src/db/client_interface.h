// The Firebird client's interfaces as the layer holds them (inside the layer only): the master
// interface, a status that gives itself back, and owning handles that release what they hold.
#pragma once

#include <firebird/Interface.h>

#include "db/owned_interface.h"

namespace db::detail {

Firebird::IMaster* master();
Firebird::IUtil* util();

// A throwing status wrapper that gives its status back when it goes out of scope.
class Status final {
public:
    Status() : wrapper_(master()->getStatus()) {}
    ~Status() { wrapper_.dispose(); }
    Status(const Status&) = delete;
    Status& operator=(const Status&) = delete;
    Firebird::ThrowStatusWrapper* operator&() { return &wrapper_; }

private:
    Firebird::ThrowStatusWrapper wrapper_;
};

}  // namespace db::detail
