// A stand-in for nlohmann/json that keeps kwctl compiling and does nothing, for measuring what
// the real library adds to kwctl's size. Only the size build uses it, as <nlohmann/json.hpp>.
#pragma once

#include <algorithm>  // kwctl gets it through the real header
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace nlohmann {

namespace detail {
struct exception {};
}  // namespace detail

// The event reader's interface, as the real one declares it.
template <class Json>
struct json_sax {
    using number_integer_t = std::int64_t;
    using number_unsigned_t = std::uint64_t;
    using number_float_t = double;
    using string_t = std::string;
    using binary_t = std::string;
    virtual ~json_sax() = default;
    virtual bool null() = 0;
    virtual bool boolean(bool) = 0;
    virtual bool number_integer(number_integer_t) = 0;
    virtual bool number_unsigned(number_unsigned_t) = 0;
    virtual bool number_float(number_float_t, const string_t&) = 0;
    virtual bool string(string_t&) = 0;
    virtual bool binary(binary_t&) = 0;
    virtual bool start_object(std::size_t) = 0;
    virtual bool key(string_t&) = 0;
    virtual bool end_object() = 0;
    virtual bool start_array(std::size_t) = 0;
    virtual bool end_array() = 0;
    virtual bool parse_error(std::size_t, const std::string&, const detail::exception&) = 0;
};

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
    template <class Iterator, class Sax>
    static bool sax_parse(Iterator, Iterator, Sax*) {
        return false;
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
