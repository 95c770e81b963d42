#pragma once
// Lookups in tests: a record that is not found fails the test with a message instead of being
// dereferenced, so one wrong result cannot crash the whole test program and hide the results
// after it.
#include <gtest/gtest.h>

#include <source_location>
#include <stdexcept>
#include <string>

namespace testsupport {

// The pointer when it is not null; otherwise the test fails here and the test body is left (the
// test framework catches the exception and records it).
template <class T> T* Found(T* p, const std::source_location where = std::source_location::current()) {
    if (!p) {
        const std::string text =
            std::string("lookup found nothing at ") + where.file_name() + ":" + std::to_string(where.line());
        ADD_FAILURE_AT(where.file_name(), static_cast<int>(where.line())) << "lookup found nothing";
        throw std::runtime_error(text);
    }
    return p;
}

} // namespace testsupport
