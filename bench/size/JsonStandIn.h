// A stand-in for nlohmann/json that keeps kwctl compiling and does nothing, for measuring what
// the real library adds to kwctl's size. Only the size build uses it, as <nlohmann/json.hpp>.
#pragma once

#include <algorithm>  // kwctl gets it through the real header
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace nlohmann {

class ordered_json {
public:
    ordered_json() = default;
    ordered_json(std::initializer_list<ordered_json>) {}
    template <class T>
    ordered_json(const T&) {}

    template <class T>
    ordered_json& operator=(const T&) {
        return *this;
    }
    ordered_json& operator=(std::initializer_list<ordered_json>) { return *this; }
    ordered_json& operator[](const char*) { return *this; }
    void push_back(const ordered_json&) {}
    std::string dump(int) const { return {}; }
    static ordered_json array() { return {}; }

    // Reading: nothing is ever found.
    enum class error_handler_t { strict, replace, ignore };
    std::string dump(int, char, bool, error_handler_t) const { return {}; }
    static ordered_json parse(std::string_view, std::nullptr_t = nullptr, bool = true) {
        return {};
    }
    bool is_object() const { return false; }
    bool is_string() const { return false; }
    bool is_null() const { return true; }
    bool is_number_unsigned() const { return false; }
    template <class T>
    T get() const {
        return T();
    }
    template <class T>
    T get_ref() {
        static std::string text;
        return text;
    }
    ordered_json* find(const char*) { return this; }
    ordered_json* end() { return this; }
    ordered_json* operator->() { return this; }
};

using json = ordered_json;

}  // namespace nlohmann
