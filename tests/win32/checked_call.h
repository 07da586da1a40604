// Calls into a DLL made the way a 32-bit client makes them, with a watch on the stack pointer.
//
// CHECKED_CALL(function, arguments...) pushes the arguments, calls `function` through a pointer
// of its declared type, removes the arguments afterwards when that type says the caller does
// (cdecl), and compares the stack pointer with its value before the arguments were pushed.
// A function built with another convention than the one its declaration gives leaves the stack
// off by its argument bytes: the test fails there and names the function, and the stack is put
// back so that the run goes on. Returns what the function returned.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>

static_assert(sizeof(void*) == 4, "the call watch is for 32-bit programs");

// Assembly (checked_call.cpp): pushes `count` words from `arguments`, the first one last,
// calls `function`, removes them again when `callerCleans`, stores how far the stack pointer
// ended from where it started in `*stackDelta` (0: balanced) and restores it. Returns eax.
extern "C" uint32_t vemo_checked_call(const void* function, const uint32_t* arguments, uint32_t count,
                                      uint32_t callerCleans, int32_t* stackDelta);

namespace vemo::test {

// Every argument and result at the boundary is one 32-bit word: an integer or a pointer.
template <typename T>
uint32_t ToWord(T value) {
    static_assert(sizeof(T) == 4 && std::is_trivially_copyable_v<T>, "arguments are 32 bits wide");
    uint32_t word;
    std::memcpy(&word, &value, sizeof word);
    return word;
}

template <bool kCallerCleans, typename R, typename... P>
struct WatchedCallee {
    template <typename... A>
    static R call(const char* name, const void* function, A&&... arguments) {
        static_assert(sizeof...(A) == sizeof...(P), "one argument per parameter");
        const uint32_t words[sizeof...(P) + 1] = {ToWord<P>(static_cast<P>(std::forward<A>(arguments)))..., 0};
        int32_t stackDelta = 0;
        const uint32_t eax = vemo_checked_call(function, words, sizeof...(P), kCallerCleans, &stackDelta);
        EXPECT_EQ(stackDelta, 0) << name << " left the stack pointer " << stackDelta
                                 << " bytes off: it was not built with the calling convention it is declared with";
        if constexpr (!std::is_void_v<R>) {
            static_assert(sizeof(R) == 4, "results are 32 bits wide");
            R result;
            std::memcpy(&result, &eax, sizeof result);
            return result;
        }
    }
};

// The convention is read from the declared type: on 32-bit Windows __stdcall and __cdecl are
// different function types.
template <typename F>
struct Watched;
template <typename R, typename... P>
struct Watched<R(__stdcall*)(P...)> : WatchedCallee<false, R, P...> {};
template <typename R, typename... P>
struct Watched<R(__cdecl*)(P...)> : WatchedCallee<true, R, P...> {};

template <typename F, typename... A>
auto CheckedCall(const char* name, F function, A&&... arguments) {
    return Watched<F>::call(name, reinterpret_cast<const void*>(function), std::forward<A>(arguments)...);
}

}  // namespace vemo::test

#define CHECKED_CALL(function, ...) ::vemo::test::CheckedCall(#function, &function, ##__VA_ARGS__)
