// kwctl's stdout and stderr, with every write to stdout checked: results that did not get
// out make the run fail.
#pragma once

#include <string>
#include <string_view>

#include "kwctl/Environment.h"

namespace kwctl {

class StandardOutput final : public Output {
public:
    StandardOutput();
    void Out(std::string_view text) override;
    void Err(std::string_view text) override;
    bool Finish(std::string& reason) override;

private:
#ifdef _WIN32
    void* m_out;
    void* m_err;
#endif
    unsigned long m_error = 0;  // the first failure of a write to stdout
    bool m_failed = false;
};

}  // namespace kwctl
