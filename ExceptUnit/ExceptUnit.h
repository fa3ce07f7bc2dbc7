// Reports of a caught table-engine failure under a fixed heading: the
// heading is the message, the failure's text (split at its line breaks) the
// detail lines.
#pragma once

#include <exception>
#include <string>

namespace rts {

// Information kind, one "OK" button; returns true always.
bool ReportException(const std::exception& e, const std::string& heading);
// Question kind ("Да"/"Нет"); true when the operator pressed "Да".
bool ConfirmException(const std::exception& e, const std::string& heading);

}  // namespace rts
