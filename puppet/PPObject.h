// The common base of everything the model file reader hands out, so that a field can check the
// kind of object it was given before it uses it.
#pragma once

namespace puppet {

class PPObject {
public:
    virtual ~PPObject() = default;
};

}  // namespace puppet
