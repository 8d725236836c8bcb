#pragma once
// A scripted stream of uniform numbers for the transport tests: the draws of
// an interaction or a history can be fed one by one, and a test fails when
// more numbers are drawn than were scripted.

#include <gtest/gtest.h>

#include <cstddef>
#include <initializer_list>
#include <vector>

namespace corvane::testing {

class ScriptedUniforms {
public:
    ScriptedUniforms(std::initializer_list<float> values) : values_(values) {}
    float uniform() {
        if (next_ >= values_.size()) {
            ADD_FAILURE() << "more numbers drawn than scripted (" << values_.size() << ")";
            return 0.5f;
        }
        return values_[next_++];
    }
    std::size_t drawn() const { return next_; }

private:
    std::vector<float> values_;
    std::size_t next_ = 0;
};

}  // namespace corvane::testing
