// Running a piece of a test in a child process: with limits of its own, or
// without root's permission override.
#pragma once

#include <functional>

// Runs `action` in a child process and returns its result (0..253), or -1 when
// the child did not end normally. `prepare` runs first in the child.
int RunInChild(const std::function<void()>& prepare, const std::function<int()>& action);

// As RunInChild, but when the tests run as root the child first becomes an
// ordinary user, so file permissions apply to it (254: it could not).
int RunWithoutRootOverride(const std::function<int()>& action);

// The user the child of RunWithoutRootOverride runs as when started by root.
constexpr unsigned kOrdinaryUser = 65534;
