// A stand-in for nlohmann/json that keeps kwctl compiling and does nothing, for measuring what
// the real library adds to kwctl's size. Only the size build uses it, as <nlohmann/json.hpp>.
#pragma once

#include <algorithm>  // kwctl gets it through the real header
#include <initializer_list>
#include <string>

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
};

using json = ordered_json;

}  // namespace nlohmann
