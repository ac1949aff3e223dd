// kwctl's command line read by hand instead of by CLI11, for measuring what CLI11 adds to
// kwctl's size. Only the size build uses it: the same table of commands, no help texts, and no
// checks beyond filling each command's options.
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kwctl/Command.h"

namespace kwctl {
namespace {

// Options by their names, then positionals in the order declared.
class HandArguments final : public Arguments {
public:
    void Positional(std::string_view, std::string& value, std::string_view) override {
        m_positionals.push_back(&value);
    }
    void Rest(std::string_view, std::vector<std::string>& values, bool, std::string_view) override {
        m_rest = &values;
    }
    void Flag(std::string_view names, bool& value, std::string_view) override {
        m_flags.push_back({names, &value});
    }
    void Repeated(std::string_view names, std::vector<std::string>& values,
                  std::string_view) override {
        m_options.push_back({names, &values});
    }
    void Value(std::string_view names, std::string_view, std::string& value,
               std::string_view) override {
        m_values.push_back({names, &value});
    }
    void Number(std::string_view names, std::string_view, int& value, int, int,
                std::string_view) override {
        m_numbers.push_back({names, &value});
    }
    void OptionalNumber(std::string_view name, std::string_view, std::optional<int>& value,
                        int bare, int, int, std::string_view) override {
        m_optional.push_back({name, {&value, bare}});
    }
    Arguments& ExactlyOne(std::string_view, std::string_view) override { return *this; }
    Arguments& AtMostOne(std::string_view, std::string_view) override { return *this; }

    bool Read(const std::vector<std::string>& args) {
        std::size_t next = 0;
        for (std::size_t i = 1; i < args.size(); ++i) {
            // "--name=value", "--name value", or "--name" alone for an optional value.
            std::string arg = args[i];
            std::optional<std::string> joined;
            if (const std::size_t equals = arg.find('=');
                arg.starts_with("--") && equals != 0 && equals != std::string::npos) {
                joined = arg.substr(equals + 1);
                arg.resize(equals);
            }
            const auto value = [&]() -> std::optional<std::string> {
                if (joined) return joined;
                if (++i < args.size()) return args[i];
                return std::nullopt;
            };
            if (bool** flag = Find(m_flags, arg)) {
                **flag = true;
            } else if (std::vector<std::string>** option = Find(m_options, arg)) {
                const auto v = value();
                if (!v) return false;
                (*option)->push_back(*v);
            } else if (std::string** single = Find(m_values, arg)) {
                const auto v = value();
                if (!v) return false;
                **single = *v;
            } else if (int** number = Find(m_numbers, arg)) {
                const auto v = value();
                if (!v) return false;
                **number = std::atoi(v->c_str());
            } else if (Optional* optional = Find(m_optional, arg)) {
                *optional->value = joined ? std::atoi(joined->c_str()) : optional->bare;
            } else if (next < m_positionals.size()) {
                *m_positionals[next++] = args[i];
            } else if (m_rest) {
                m_rest->push_back(args[i]);
            } else {
                return false;
            }
        }
        return next == m_positionals.size();
    }

private:
    template <class T>
    struct Named {
        std::string_view names;  // "--printer,-p"
        T value;
    };

    struct Optional {
        std::optional<int>* value;
        int bare;
    };

    template <class T>
    static T* Find(std::vector<Named<T>>& list, std::string_view arg) {
        for (Named<T>& named : list) {
            for (std::string_view rest = named.names; !rest.empty();) {
                const std::size_t comma = rest.find(',');
                if (rest.substr(0, comma) == arg) return &named.value;
                rest = comma == std::string_view::npos ? "" : rest.substr(comma + 1);
            }
        }
        return nullptr;
    }

    std::vector<std::string*> m_positionals;
    std::vector<std::string>* m_rest = nullptr;
    std::vector<Named<bool*>> m_flags;
    std::vector<Named<std::vector<std::string>*>> m_options;
    std::vector<Named<std::string*>> m_values;
    std::vector<Named<int*>> m_numbers;
    std::vector<Named<Optional>> m_optional;
};

}  // namespace

int Run(const std::vector<std::string>& args, Environment& env) {
    for (const Command* command : Commands()) {
        if (args.empty() || command->name != args[0]) continue;
        HandArguments arguments;
        const Invocation run = command->declare(arguments);
        if (arguments.Read(args)) return run(env);
        break;
    }
    env.output.Err("usage: kwctl COMMAND ...\n");
    return kUsage;
}

}  // namespace kwctl
