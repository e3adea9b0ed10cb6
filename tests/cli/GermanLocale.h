#pragma once
// A de_DE.UTF-8 locale (decimal comma) generated into a scratch folder with
// localedef, so locale tests need no system-wide locale. Empty when it
// cannot be generated (no localedef or no locale sources): the test skips.
#include "TempDir.h"

#include <cstdlib>
#include <string>

namespace trawler::test {

class GermanLocale {
public:
    GermanLocale()
    {
        const std::string target = m_dir.file("de_DE.UTF-8");
        const std::string command = "localedef -i de_DE -f UTF-8 '" + target + "' >/dev/null 2>&1";
        if (std::system(command.c_str()) == 0)
            m_locpath = m_dir.path().string();
    }
    bool available() const { return !m_locpath.empty(); }
    // LOCPATH for a child's environment and for setlocale in this process.
    const std::string& locpath() const { return m_locpath; }
    static constexpr const char* kName = "de_DE.UTF-8";

private:
    TempDir m_dir;
    std::string m_locpath;
};

} // namespace trawler::test
