#pragma once

#include <windows.h>

#include <memory>

#include "case_rules.h"

namespace tarnwick {

// The letter case of a Windows code page, as the system maps it, and the characters it has, as
// the system writes them. In a double-byte code page a double-byte character changes case as a
// whole, and a match never starts inside one.
std::unique_ptr<CaseRules> CaseRulesForCodePage(UINT codePage);

}  // namespace tarnwick
