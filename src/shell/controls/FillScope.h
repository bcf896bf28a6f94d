#pragma once

namespace lumisnap {

// Marks a fill or refresh of a shell control for its duration: the outermost one in the
// process revalidates the cached drives first, and every one shows the hourglass.
class FillScope
{
public:
    FillScope();
    ~FillScope();
    FillScope(const FillScope &) = delete;
    FillScope &operator=(const FillScope &) = delete;

    static bool running() { return s_nesting > 0; }

private:
    static inline int s_nesting = 0;
};

} // namespace lumisnap
