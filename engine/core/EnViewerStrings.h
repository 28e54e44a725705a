#pragma once
#include <cstdint>

#include "engine/core/EnTArray.h"

// Formatters of the member dump lines that every AppendMemberStrings appends:
//   kStrings.Add(MakeViewerTitle("EnThing"));
//   kStrings.Add(MakeViewerUInt("m_uiSize", m_uiSize));
// Each returns a new heap string (new[]) sized for the longest value of its kind; the owner of
// the array frees them, e.g. with EnFreeViewerStrings.
char* MakeViewerTitle(const char* pcClassName);                     // "--- %s ---"
char* MakeViewerBool(const char* pcLabel, bool bValue);             // "%s = true" / "%s = false"
char* MakeViewerByte(const char* pcLabel, uint8_t ucValue);         // "%s = %u"
char* MakeViewerShort(const char* pcLabel, int16_t sValue);         // "%s = %hd"
char* MakeViewerUShort(const char* pcLabel, uint16_t usValue);      // "%s = %hu"
char* MakeViewerInt(const char* pcLabel, int32_t iValue);           // "%s = %d"
char* MakeViewerUInt(const char* pcLabel, uint32_t uiValue);        // "%s = %u"
char* MakeViewerFloat(const char* pcLabel, float fValue);           // "%s = %.6e"
char* MakeViewerDouble(const char* pcLabel, double dValue);         // "%s = %.6e"
char* MakeViewerPointer(const char* pcLabel, const void* pvValue);  // "%s = %p"
char* MakeViewerString(const char* pcLabel, const char* pcValue);   // "%s = %s" / "%s = NULL"

// Frees every string of a dump array and empties it.
void EnFreeViewerStrings(EnTArray<char*>& kStrings);
