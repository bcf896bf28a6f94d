#pragma once

namespace lumisnap {

// Marks a control busy with a change of its own for as long as it lives, also when an
// error passes through, so that its notification handlers leave that change alone.
class ReentryGuard
{
public:
    explicit ReentryGuard(int &count)
        : m_count(count)
    {
        ++m_count;
    }
    ~ReentryGuard() { --m_count; }
    ReentryGuard(const ReentryGuard &) = delete;
    ReentryGuard &operator=(const ReentryGuard &) = delete;

private:
    int &m_count;
};

// Sets a flag for as long as it lives, also when an error passes through.
class FlagScope
{
public:
    explicit FlagScope(bool &flag)
        : m_flag(flag)
    {
        m_flag = true;
    }
    ~FlagScope() { m_flag = false; }
    FlagScope(const FlagScope &) = delete;
    FlagScope &operator=(const FlagScope &) = delete;

private:
    bool &m_flag;
};

} // namespace lumisnap
