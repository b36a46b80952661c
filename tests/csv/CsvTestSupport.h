// Helpers for the CSV tests: readouts built by the real byte rules, folder listings.
#pragma once

#include <set>
#include <string>

#include "TerminalText.h"

// The terminal text a readout of `deviceBytes` leaves, through the transfer's byte rules.
travik::TerminalText Received(const std::string& deviceBytes, bool alarmMode);

// `text` with every CR written as CR LF, and a last line without CR ended too.
std::string WithCrLf(const std::string& text);

std::set<std::string> FilesIn(const std::string& folder);
