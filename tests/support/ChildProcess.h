// Running a piece of a test in a child process (with limits of its own, or
// without root's permission override), or in this process as an ordinary user.
#pragma once

#include <functional>
#include <string>

// Runs `action` in a child process and returns its result (0..253), or -1 when
// the child did not end normally. `prepare` runs first in the child.
int RunInChild(const std::function<void()>& prepare, const std::function<int()>& action);

// As RunInChild, but when the tests run as root the child first becomes an
// ordinary user, so file permissions apply to it (254: it could not).
int RunWithoutRootOverride(const std::function<int()>& action);

// As RunWithoutRootOverride, for an action that tells what it found: its text,
// passed back from the child through a pipe (a pipe's worth at most), with a
// note when the child failed.
std::string TextWithoutRootOverride(const std::function<std::string()>& action);

// The user the tests act as when they must not have root's override.
constexpr unsigned kOrdinaryUser = 65534;

// While it lives, this process acts as kOrdinaryUser when the tests run as root
// (only the effective user changes; root comes back when it goes), so file
// permissions apply to code that cannot run in a child, such as a window.
class OrdinaryUserScope {
public:
    OrdinaryUserScope();
    ~OrdinaryUserScope();
    OrdinaryUserScope(const OrdinaryUserScope&) = delete;
    OrdinaryUserScope& operator=(const OrdinaryUserScope&) = delete;

private:
    bool switched_ = false;
};
