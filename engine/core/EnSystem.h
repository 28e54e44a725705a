#pragma once
#include <cstdint>

// The engine's thin wrappers of platform services.

class EnBinaryStream;
class EnStream;
class EnObject;

// Passes a text to the debugger output.
void EnOutputDebugString(const char* pcText);
// ASCII case-insensitive comparisons: below, equal to or above 0.
int EnStricmp(const char* pcA, const char* pcB);
int EnStrnicmp(const char* pcA, const char* pcB, uint32_t uiCount);
// The platform's access test on a data path; 0 when the path exists (mode 0) or allows the
// access asked for, -1 otherwise.
int EnFileAccess(const char* pcPath, int iMode);
double EnFabs(float fValue);

// Stands wherever an empty function is needed; the second form is the create function of
// abstract classes in the loader map.
void DoNothing();
void DoNothing(EnStream& kStream, EnObject*& pObject);

// Read of count bytes, or of count little-endian 16-bit values; returns what Read returns.
uint32_t StreamReadBytes(EnBinaryStream* pFile, void* pvBuffer, uint32_t uiCount);
uint32_t StreamReadUShorts(EnBinaryStream* pFile, uint16_t* pusBuffer, uint32_t uiCount);
