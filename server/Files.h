// File transfers: driver card (kx55) downloads and their .ddd conversion, digi downloads,
// scanner file uploads with resume, and firmware and key list chunks.
#pragma once

#include <stdint.h>

#include <string>

enum {
  KX55_BLOCK_SIZE = 256,
  KX55_FILE_SIZE = 28672,
  KX55_DIRECTORY_ENTRIES = 27,
  KX55_ENTRY_SIZE = 7,
  KX55_DATA_START = 256,
  KX55_CARD_TAG = 0x0520,
  DIGI_BLOCK_SIZE = 234,
  SCANNER_BLOCK_SIZE = 256,
  FILES_NAME_SIZE = 13,
  CHUNK_HEADER_SIZE = 16,
};

intptr_t on_tacho_block(intptr_t arg);
intptr_t on_digi_block(intptr_t arg);
intptr_t on_file_begin(intptr_t arg);
intptr_t on_file_block(intptr_t arg);
intptr_t on_firmware_chunk(intptr_t arg);
intptr_t on_keylist_chunk(intptr_t arg);

// Converts a complete kx55 download into a .ddd file in DRIVER_DIR; logs the reason and
// keeps the kx55 file when it cannot.
void kx55_convert(const std::string& kx55_path);
