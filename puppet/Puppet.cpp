// Puppet::init and Puppet::dispose.
#include "puppet/Puppet.h"

#include <cstdio>

#include "puppet/ID.h"
#include "puppet/UtDebug.h"
#include "puppet/Value.h"

namespace puppet {
std::unique_ptr<Value> Value::TRUE_VALUE;
std::unique_ptr<Value> Value::FALSE_VALUE;
std::unique_ptr<Value> Value::ERROR_VALUE;
std::unique_ptr<Value> Value::NULL_VALUE;
}  // namespace puppet

using namespace puppet;

namespace {
bool bannerShown = false;

void deleteValues() {
    for (std::unique_ptr<Value>* v : {&Value::TRUE_VALUE, &Value::FALSE_VALUE, &Value::ERROR_VALUE, &Value::NULL_VALUE})
        v->reset();
}
}  // namespace

void Puppet::init() {
    if (!bannerShown) {
        bannerShown = true;
        UtDebug::println("Puppet version %s for DirectX", "0.9.00RC2");
        std::fflush(stdout);
    }
    deleteValues();
    Value::TRUE_VALUE = std::make_unique<Boolean>(true);
    Value::FALSE_VALUE = std::make_unique<Boolean>(false);
    Value::ERROR_VALUE = std::make_unique<Error>(PPString("ERROR"), true);
    Value::NULL_VALUE = std::make_unique<NullValue>();
}

void Puppet::dispose() {
    ParamID::releaseStored();
    DrawDataID::releaseStored();
    BaseDataID::releaseStored();
    PartsDataID::releaseStored();
    deleteValues();
}
