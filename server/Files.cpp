#include "server/Files.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <vector>

#include "comm/ravokcomm.h"
#include "server/Db.h"
#include "server/Handlers.h"
#include "server/Replies.h"
#include "server/Server.h"

namespace {

std::string path_of(const char* dir, const char* fmt, uint32_t n) {
  std::string p;
  str_appendf(p, "%s", dir);
  str_appendf(p, fmt, n);
  return p;
}

// Writes data at offset into a file that is created when missing and never truncated.
// Returns false only when the write could not be positioned; a file that cannot be opened
// drops the data.
bool write_at(const std::string& path, off_t offset, const uint8_t* data, size_t length,
              bool* opened) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT, 0644);
  *opened = fd >= 0;
  if (fd < 0) return true;
  bool ok = lseek(fd, offset, SEEK_SET) == offset;
  if (ok && data && length) ok = write(fd, data, length) == static_cast<ssize_t>(length);
  close(fd);
  return ok;
}

unsigned le16(const uint8_t* p) {
  return p[0] | (p[1] << 8);
}

// Card number characters end up in a file name: only printable characters other than path
// separators are kept as they are.
char card_char(uint8_t b) {
  return b > 32 && b < 127 && b != '/' && b != '\\' ? static_cast<char>(b) : '_';
}

}  // namespace

void kx55_convert(const std::string& kx55_path) {
  FILE* in = fopen(kx55_path.c_str(), "rb");
  if (!in) {
    log_write("ESM_FILE: ERR#%s\n", kx55_path.c_str());
    return;
  }
  std::vector<uint8_t> src(KX55_FILE_SIZE), out(KX55_FILE_SIZE);
  size_t got = fread(src.data(), 1, src.size(), in);
  fclose(in);
  if (got < src.size()) {
    log_write("ESM_FILE: ERR#0\n");
    return;
  }
  char card[17] = "0000000000000000";
  int p = 0, q = KX55_DATA_START;
  for (int e = 0; e < KX55_DIRECTORY_ENTRIES; ++e) {
    const uint8_t* d = &src[static_cast<size_t>(e) * KX55_ENTRY_SIZE];
    unsigned tag = le16(d), type = d[2], length = le16(d + 3), check = le16(d + 5);
    if (p + 5 > KX55_FILE_SIZE) {
      log_write("ESM_FILE: ERR#%d\n", p);
      return;
    }
    out[p++] = static_cast<uint8_t>(tag >> 8);
    out[p++] = static_cast<uint8_t>(tag);
    out[p++] = static_cast<uint8_t>(type);
    out[p++] = static_cast<uint8_t>(length >> 8);
    out[p++] = static_cast<uint8_t>(length);
    unsigned sum = type == 0 ? tag : (~tag & 0xFFFF);
    for (unsigned k = 0; k < length; ++k) {
      // Data lengths that point past the bytes read end the conversion like a full output.
      if (p + 1 > KX55_FILE_SIZE || q >= KX55_FILE_SIZE) {
        log_write("ESM_FILE: ERR#%d\n", p);
        return;
      }
      uint8_t b = src[static_cast<size_t>(q++)];
      sum = (sum + b) & 0xFFFF;
      out[static_cast<size_t>(p++)] = b;
      if (tag == KX55_CARD_TAG && type == 0 && k >= 1 && k <= 16) card[k - 1] = card_char(b);
    }
    if (sum != check) {
      log_write("ESM_FILE: ERR#%04x-%04x\n", sum, check);
      return;
    }
  }
  time_t now = time(nullptr);
  struct tm tm;
  gmtime_r(&now, &tm);
  std::string name;
  str_appendf(name, "%s%04d%02d%02d_%02d%02d%02d_%s.ddd", g_cfg.driver_dir, tm.tm_year + 1900,
              tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, card);
  FILE* f = fopen(name.c_str(), "wb");
  if (!f) {
    log_write("ESM_FILE: ERR#%s\n", name.c_str());
    return;
  }
  bool written = fwrite(out.data(), 1, static_cast<size_t>(p), f) == static_cast<size_t>(p);
  written = fclose(f) == 0 && written;
  if (written) remove(kx55_path.c_str());
}

intptr_t on_tacho_block(intptr_t arg) {
  const ev_block* ev = reinterpret_cast<const ev_block*>(arg);
  if (!ev) return 0;
  std::string path = path_of(g_cfg.driver_dir, "kx55_%u.tmp", ev->word1);
  bool opened;
  if (!write_at(path, static_cast<off_t>(ev->index) * KX55_BLOCK_SIZE, ev->data, ev->length,
                &opened))
    return 0;
  if (opened && ev->index + 1 == ev->count) kx55_convert(path);
  return 1;
}

intptr_t on_digi_block(intptr_t arg) {
  const ev_block* ev = reinterpret_cast<const ev_block*>(arg);
  // Index 1 carries no file data; index 0 would lie before the start of the file.
  if (!ev || ev->index < 2) return 1;
  bool opened;
  write_at(path_of(g_cfg.driver_dir, "digi_%u.tmp", ev->word2),
           static_cast<off_t>(ev->index - 2) * DIGI_BLOCK_SIZE, ev->data, ev->length, &opened);
  return 1;
}

intptr_t on_file_begin(intptr_t arg) {
  const ev_file_begin* ev = reinterpret_cast<const ev_file_begin*>(arg);
  if (!ev) return 0;
  std::string name(ev->name, strnlen(ev->name, EV_FILE_NAME_SIZE - 1));
  std::string dscr(ev->dscr, strnlen(ev->dscr, EV_FILE_DSCR_SIZE - 1));
  db_slot* slot = db_acquire();
  if (!slot) return 0;
  std::string q;
  std::string ename = sql_text(slot, name.c_str()), edscr = sql_text(slot, dscr.c_str());
  str_appendf(q,
              "select id, completed from files where name='%s' and dscr='%s' and size=%u and "
              "crcc1=%u and crcc2=%u",
              ename.c_str(), edscr.c_str(), ev->size, ev->crcc1, ev->crcc2);
  char id[11], completed[11];
  int rows = db_select_row(slot, q.c_str(), 2, id, sizeof id, completed, sizeof completed);
  uint32_t file_id = 0, position = 0;
  bool ok = true;
  if (rows == 0) {
    q = "insert into files(id,add_date,device_id,name,dscr,size,crcc1,crcc2,completed) "
        "values(DEFAULT,'";
    str_append_now(q);
    str_appendf(q, "',%u,'%s','%s',%u,%u,%u,0)", ev->device_id, ename.c_str(), edscr.c_str(),
                ev->size, ev->crcc1, ev->crcc2);
    ok = db_insert(slot, q.c_str(), &file_id) == 1;
  } else if (rows == 1) {
    file_id = static_cast<uint32_t>(strtoul(id, nullptr, 10));
    if (strtol(completed, nullptr, 10) == 100) {
      position = ev->size;
    } else {
      struct stat st;
      std::string tmp = path_of(g_cfg.scanner_dir, "file_%u.tmp", file_id);
      position = stat(tmp.c_str(), &st) == 0 ? static_cast<uint32_t>(st.st_size) : 0;
    }
  } else {
    ok = false;
  }
  db_release(slot, ok);
  if (!ok) return 0;
  file_begin_block* b = static_cast<file_begin_block*>(comm_block(sizeof(file_begin_block)));
  if (!b) return 0;
  b->file_id = file_id;
  b->position = position;
  return reinterpret_cast<intptr_t>(b);
}

namespace {

void record_progress(uint32_t file_id, int percent) {
  db_slot* slot = db_acquire();
  if (!slot) return;
  std::string q;
  str_appendf(q, "update files set completed=%d where id=%u", percent, file_id);
  int ok = db_exec(slot, q.c_str());
  db_release(slot, ok == 1);
}

void finish_upload(uint32_t file_id, const std::string& tmp) {
  db_slot* slot = db_acquire();
  if (!slot) return;
  std::string q;
  str_appendf(q, "select name from files where id=%u", file_id);
  char name[FILES_NAME_SIZE];
  int rows = db_select_row(slot, q.c_str(), 1, name, sizeof name);
  db_release(slot, rows == 0 || rows == 1);
  if (rows != 1) return;
  std::string to;
  str_appendf(to, "%s%u_%s", g_cfg.scanner_dir, file_id, safe_file_name(name).c_str());
  rename(tmp.c_str(), to.c_str());
}

}  // namespace

intptr_t on_file_block(intptr_t arg) {
  const ev_block* ev = reinterpret_cast<const ev_block*>(arg);
  if (!ev) return 0;
  uint32_t file_id = ev->word2;
  std::string tmp = path_of(g_cfg.scanner_dir, "file_%u.tmp", file_id);
  FILE* f = fopen(tmp.c_str(), "ab");
  if (!f) return 0;
  fseek(f, 0, SEEK_END);
  long s = ftell(f);
  uint32_t index = ev->index, count = ev->count;
  // A block is taken only where the file ends; a block count of 0 describes no upload.
  bool in_place =
      count > 0 && s >= 0 && static_cast<uint64_t>(s) == uint64_t{index} * SCANNER_BLOCK_SIZE;
  uint32_t held = static_cast<uint32_t>(s < 0 ? 0 : s);
  if (in_place && ev->data && ev->length) {
    size_t n = fwrite(ev->data, 1, ev->length, f);
    held += static_cast<uint32_t>(n);
  }
  fclose(f);
  // Progress and completion are recorded only for a block that was written, so a repeated or
  // misplaced last block never marks an incomplete file as done.
  if (in_place) {
    if (index * 100 / count != (index * 100 + 100) / count)
      record_progress(file_id, static_cast<int>((index + 1) * 100 / count));
    if (index + 1 == count) finish_upload(file_id, tmp);
  }
  return static_cast<intptr_t>(held);
}

namespace {

intptr_t serve_chunk(const std::string& path, uint32_t index) {
  chunk_block* b = static_cast<chunk_block*>(comm_block(sizeof(chunk_block)));
  if (!b) return 0;
  memset(b, 0, sizeof *b);
  b->index = static_cast<uint16_t>(index);
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return reinterpret_cast<intptr_t>(b);
  // Chunk 0 is the 16-byte header; chunk n is the n-th 256-byte page after it.
  const long page = CHUNK_DATA_SIZE, header = CHUNK_HEADER_SIZE;
  long offset = index == 0 ? 0 : static_cast<long>(index) * page - (page - header);
  size_t want = static_cast<size_t>(index == 0 ? header : page);
  if (fseek(f, offset, SEEK_SET) == 0)
    b->length = static_cast<uint16_t>(fread(b->data, 1, want, f));
  fclose(f);
  return reinterpret_cast<intptr_t>(b);
}

}  // namespace

intptr_t on_firmware_chunk(intptr_t arg) {
  const ev_firmware_chunk* ev = reinterpret_cast<const ev_firmware_chunk*>(arg);
  if (!ev) return 0;
  std::string path;
  str_appendf(path, "%sRavokFrm_%04u_%03u_USB.bin", g_cfg.firmware_dir, ev->firmware / 1000,
              ev->type);
  return serve_chunk(path, ev->index);
}

intptr_t on_keylist_chunk(intptr_t arg) {
  const ev_keylist_chunk* ev = reinterpret_cast<const ev_keylist_chunk*>(arg);
  if (!ev) return 0;
  std::string path;
  str_appendf(path, "%sDallasList_%06u_USB.bin", g_cfg.firmware_dir, ev->list);
  return serve_chunk(path, ev->index);
}
