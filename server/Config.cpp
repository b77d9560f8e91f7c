// Server.cfg: 17 lines of KEY=value in a fixed order.
#include <string.h>

#include "server/Server.h"

namespace {

enum value_kind { KIND_INT, KIND_TEXT };

struct config_line {
  const char* key;
  value_kind kind;
  size_t offset;  // of the field in server_config
};

#define CFG_FIELD(key, kind, field) \
  { key, kind, offsetof(server_config, field) }

// Lines 1 to 16 in file order; line 17 (UBLOX_TOKEN) is optional in value and read apart.
const config_line kLines[] = {
    CFG_FIELD("DEVICE_PORT", KIND_INT, device_port),
    CFG_FIELD("TELNET_PORT", KIND_INT, telnet_port),
    CFG_FIELD("LOG_FILE", KIND_TEXT, log_file),
    CFG_FIELD("SQL_DATABASE", KIND_TEXT, sql_database),
    CFG_FIELD("SQL_HOST", KIND_TEXT, sql_host),
    CFG_FIELD("SQL_USER", KIND_TEXT, sql_user),
    CFG_FIELD("SQL_PASSWD", KIND_TEXT, sql_passwd),
    CFG_FIELD("SQL_PORT", KIND_INT, sql_port),
    CFG_FIELD("TELNET_PASSWD", KIND_TEXT, telnet_passwd),
    CFG_FIELD("RCV_TIMEOUT", KIND_INT, rcv_timeout),
    CFG_FIELD("SND_TIMEOUT", KIND_INT, snd_timeout),
    CFG_FIELD("CMMD_TIMEOUT", KIND_INT, cmmd_timeout),
    CFG_FIELD("SQL_TIMEOUT", KIND_INT, sql_timeout),
    CFG_FIELD("DRIVER_DIR", KIND_TEXT, driver_dir),
    CFG_FIELD("SCANNER_DIR", KIND_TEXT, scanner_dir),
    CFG_FIELD("FIRMWARE_DIR", KIND_TEXT, firmware_dir),
};

// Matches "KEY=" followed by a value of the line's kind; a text value ends at the first blank.
bool parse_line(const char* text, const config_line& line, server_config* cfg) {
  size_t keylen = strlen(line.key);
  if (strncmp(text, line.key, keylen) != 0 || text[keylen] != '=') return false;
  const char* value = text + keylen + 1;
  char* field = reinterpret_cast<char*>(cfg) + line.offset;
  if (line.kind == KIND_INT) return sscanf(value, "%d", reinterpret_cast<int*>(field)) == 1;
  return sscanf(value, "%255s", field) == 1;
}

bool read_line(FILE* f, char* buf) {
  return fgets(buf, CFG_LINE_SIZE, f) != nullptr;
}

}  // namespace

bool config_read(const char* path, server_config* cfg) {
  memset(cfg, 0, sizeof *cfg);
  FILE* f = fopen(path, "r");
  if (!f) return false;
  char buf[CFG_LINE_SIZE];
  bool ok = true;
  for (const config_line& line : kLines) {
    if (!read_line(f, buf) || !parse_line(buf, line, cfg)) {
      ok = false;
      break;
    }
  }
  if (ok) {
    cfg->ublox_present = false;
    if (!read_line(f, buf))
      ok = false;
    else if (sscanf(buf, "UBLOX_TOKEN=%255s", cfg->ublox_token) == 1)
      cfg->ublox_present = true;
    else
      cfg->ublox_token[0] = 0;
  }
  fclose(f);
  return ok;
}

void config_echo(const server_config* c) {
  log_write_unlocked("DEVICE_PORT=%d\n", c->device_port);
  log_write_unlocked("TELNET_PORT=%d\n", c->telnet_port);
  log_write_unlocked("LOG_FILE=%s\n", c->log_file);
  log_write_unlocked("SQL_DATABASE=%s\n", c->sql_database);
  log_write_unlocked("SQL_HOST=%s\n", c->sql_host);
  log_write_unlocked("SQL_USER=%s\n", c->sql_user);
  log_write_unlocked("SQL_PASSWD=***\n");
  log_write_unlocked("SQL_PORT=%d\n", c->sql_port);
  log_write_unlocked("TELNET_PASSWD=***\n");
  log_write_unlocked("RCV_TIMEOUT=%d\n", c->rcv_timeout);
  log_write_unlocked("SND_TIMEOUT=%d\n", c->snd_timeout);
  log_write_unlocked("CMMD_TIMEOUT=%d\n", c->cmmd_timeout);
  log_write_unlocked("SQL_TIMEOUT=%d\n", c->sql_timeout);
  log_write_unlocked("DRIVER_DIR=%s\n", c->driver_dir);
  log_write_unlocked("SCANNER_DIR=%s\n", c->scanner_dir);
  log_write_unlocked("FIRMWARE_DIR=%s\n", c->firmware_dir);
  log_write_unlocked("UBLOX_TOKEN=%s\n", c->ublox_present ? "***" : "");
}
