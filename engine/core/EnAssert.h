#pragma once
#include "platform/sys/AssertReport.h"

// The engine's guards on its own assumptions. A failed guard is reported with the condition's
// text, source and line, and the program carries on: the code after the guard must make the
// operation do nothing (or answer null) itself. Write the condition with the names the reports
// are known by, e.g. EN_ASSERT(uiIndex < m_uiMaxSize).
//
// EN_ASSERT(cond);      statement form
// if (!EN_VERIFY(cond)) expression form: the truth of cond, reported when false
#define EN_ASSERT(cond)                                                                        \
    do {                                                                                       \
        if (!static_cast<bool>(cond)) ::plat::AssertReport::Report(#cond, __FILE__, __LINE__); \
    } while (false)

#define EN_VERIFY(cond) \
    (::plat::AssertReport::Check(static_cast<bool>(cond), #cond, __FILE__, __LINE__))
