// Puppet::init and Puppet::dispose.
#include "puppet/Puppet.h"

#include <cstdio>

#include "puppet/ID.h"
#include "puppet/UtDebug.h"
#include "puppet/Value.h"

namespace puppet {
Value* Value::TRUE_VALUE = nullptr;
Value* Value::FALSE_VALUE = nullptr;
Value* Value::ERROR_VALUE = nullptr;
Value* Value::NULL_VALUE = nullptr;
}  // namespace puppet

using namespace puppet;

namespace {
bool bannerShown = false;

void deleteValues() {
    for (Value** v : {&Value::TRUE_VALUE, &Value::FALSE_VALUE, &Value::ERROR_VALUE, &Value::NULL_VALUE}) {
        delete *v;
        *v = nullptr;
    }
}
}  // namespace

void Puppet::init() {
    if (!bannerShown) {
        bannerShown = true;
        UtDebug::println("Puppet version %s for DirectX", "0.9.00RC2");
        std::fflush(stdout);
    }
    deleteValues();
    Value::TRUE_VALUE = new Boolean(true);
    Value::FALSE_VALUE = new Boolean(false);
    Value::ERROR_VALUE = new Error(PPString("ERROR"), true);
    Value::NULL_VALUE = new NullValue();
}

void Puppet::dispose() {
    ParamID::releaseStored();
    DrawDataID::releaseStored();
    BaseDataID::releaseStored();
    PartsDataID::releaseStored();
    deleteValues();
}
