#pragma once
// Lookups in tests: a record that is not found fails the test with a message instead of being
// dereferenced, so one wrong result cannot crash the whole test program and hide the results
// after it.
#include <gtest/gtest.h>

#include <cstddef>
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

// The element at index when the container has one; otherwise the test fails here with the index
// and the size, and the test body is left as for Found. For vectors of results (messages, rows)
// and the record arrays alike.
template <class C>
decltype(auto) At(C&& container, std::size_t index,
                  const std::source_location where = std::source_location::current()) {
    std::size_t size = 0;
    if constexpr (requires { container.GetSize(); })
        size = static_cast<std::size_t>(container.GetSize());
    else
        size = std::size(container);
    if (index >= size) {
        const std::string text = "index " + std::to_string(index) + " outside the " + std::to_string(size) +
                                 " elements at " + where.file_name() + ":" + std::to_string(where.line());
        ADD_FAILURE_AT(where.file_name(), static_cast<int>(where.line()))
            << "index " << index << " outside the " << size << " elements";
        throw std::runtime_error(text);
    }
    if constexpr (requires { container.GetSize(); })
        return container[static_cast<int>(index)];
    else
        return container[index];
}

// The first and the last element, checked as At.
template <class C>
decltype(auto) Front(C&& container, const std::source_location where = std::source_location::current()) {
    return At(container, 0, where);
}
template <class C>
decltype(auto) Back(C&& container, const std::source_location where = std::source_location::current()) {
    const std::size_t size = std::size(container);
    return At(container, size == 0 ? 0 : size - 1, where);
}

} // namespace testsupport
