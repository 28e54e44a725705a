#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

class EnRawImageData;
class EnStdioFile;

// Reads a picture file into raw pixel data, chosen by the path's extension: ".tga" (Targa),
// ".bmp" (Windows bitmap), ".rgb", ".rgba", ".int", ".inta" (SGI) or ".enf" (a scene file holding
// exactly one raw image). A leading "file://" is ignored. The result is always uncompressed and
// top row first; Targa and SGI pictures come out RGB or RGBA, 4- and 8-bit bitmaps palettized.
bool ReadImageFile(const char* pcPath, EnRawImageData* pOut);

// The readers of one format each, over a file opened for reading. They load the whole file
// (never more than MAX_IMAGE_FILE_BYTES) and decode it from memory. Each returns false for a file
// it cannot read and then leaves pOut unchanged until the header was accepted, or allocated with
// undefined pixels after.
bool ReadTargaFile(EnStdioFile& kFile, EnRawImageData* pOut);
bool ReadBitmapFile(EnStdioFile& kFile, EnRawImageData* pOut);
bool ReadSgiFile(EnStdioFile& kFile, EnRawImageData* pOut);

// The same readers over a file's bytes already in memory.
bool DecodeTargaImage(const uint8_t* pData, size_t uiSize, EnRawImageData* pOut);
bool DecodeBitmapImage(const uint8_t* pData, size_t uiSize, EnRawImageData* pOut);
bool DecodeSgiImage(const uint8_t* pData, size_t uiSize, EnRawImageData* pOut);

constexpr size_t MAX_IMAGE_FILE_BYTES = size_t(1) << 27;

// Reads what is left of an open file into kBytes; false when the file is not open or is larger
// than MAX_IMAGE_FILE_BYTES.
bool ReadImageFileBytes(EnStdioFile& kFile, std::vector<uint8_t>& kBytes);
