// Driver card downloads and their .ddd conversion, digi blocks, firmware and key list chunks,
// in temporary directories.
#include <dirent.h>
#include <string.h>

#include <fstream>

#include "server/Files.h"
#include "tests/server/ServerFixture.h"

using namespace srvtest;

namespace {

using bytes = std::vector<uint8_t>;

struct entry {
  uint16_t tag;
  uint8_t type;
  bytes data;
  uint16_t check;
};

// A kx55 image: the 27-entry directory, then the entries' data from byte 256.
bytes kx55_image(const std::vector<entry>& entries) {
  bytes img(KX55_FILE_SIZE, 0);
  size_t q = KX55_DATA_START;
  for (size_t e = 0; e < entries.size(); ++e) {
    uint8_t* d = &img[e * KX55_ENTRY_SIZE];
    const entry& x = entries[e];
    d[0] = x.tag & 0xFF, d[1] = x.tag >> 8, d[2] = x.type;
    d[3] = x.data.size() & 0xFF, d[4] = static_cast<uint8_t>(x.data.size() >> 8);
    d[5] = x.check & 0xFF, d[6] = x.check >> 8;
    memcpy(&img[q], x.data.data(), x.data.size());
    q += x.data.size();
  }
  return img;
}

bytes card_id() {
  const char* t =
      "\x01"
      "1234567890123456";
  bytes b(t, t + 17);
  b.push_back(0);
  return b;
}

// Sums worked out by hand: 0x0520 + 0x01 + the digits (0x342) = 0x0863; for the signature
// entry the complement of tag 1 (0xFFFE) + 0x10 + 0x20 wraps to 0x002E.
std::vector<entry> good_entries() {
  return {{0x0520, 0, card_id(), 0x0863}, {0x0001, 1, {0x10, 0x20}, 0x002E}};
}

class Files : public ::testing::Test {
 protected:
  void SetUp() override {
    init_server_state();
    dir = temp_dir();
    for (char* d : {g_cfg.driver_dir, g_cfg.scanner_dir, g_cfg.firmware_dir})
      snprintf(d, CFG_TEXT_SIZE, "%s", dir.c_str());
  }
  void TearDown() override { free_blocks(); }

  void download(uint32_t key, const bytes& img, uint16_t count) {
    for (uint16_t i = 0; i < count; ++i) {
      ev_block ev = {key, 0, i, count, KX55_BLOCK_SIZE, 0, &img[i * KX55_BLOCK_SIZE]};
      ASSERT_EQ(server_callback(EV_TACHO_BLOCK, reinterpret_cast<intptr_t>(&ev)), 1);
    }
  }
  std::vector<std::string> names() {
    std::vector<std::string> out;
    DIR* d = opendir(dir.c_str());
    while (dirent* e = readdir(d))
      if (e->d_name[0] != '.') out.push_back(e->d_name);
    closedir(d);
    std::sort(out.begin(), out.end());
    return out;
  }
  std::string log() { return read_file(g_cfg.log_file); }

  std::string dir;
};

TEST_F(Files, CompleteKx55DownloadBecomesADddFile) {
  download(7, kx55_image(good_entries()), KX55_FILE_SIZE / KX55_BLOCK_SIZE);
  std::vector<std::string> files = names();
  ASSERT_EQ(files.size(), 1u) << "the kx55 file is deleted";
  ASSERT_EQ(files[0].size(), 36u);
  EXPECT_EQ(files[0].substr(15), "_1234567890123456.ddd");
  bytes expected = {0x05, 0x20, 0x00, 0x00, 0x12};
  bytes id = card_id();
  expected.insert(expected.end(), id.begin(), id.end());
  expected.insert(expected.end(), {0x00, 0x01, 0x01, 0x00, 0x02, 0x10, 0x20});
  expected.resize(expected.size() + 25 * 5, 0);
  std::string ddd = read_file(dir + files[0]);
  EXPECT_EQ(bytes(ddd.begin(), ddd.end()), expected);
  EXPECT_EQ(log(), "");
}

TEST_F(Files, Kx55FailuresKeepTheDownload) {
  std::vector<entry> wrong_sum = good_entries();
  wrong_sum[1].check = 0x002F;
  std::vector<entry> too_long = good_entries();
  too_long[0].data.resize(30000, 1);  // cut by the image, pointing past the bytes read
  std::vector<entry> no_card = good_entries();
  no_card[0].tag = 0x0521;
  no_card[0].check = 0x0864;
  const struct {
    const char* name;
    std::vector<entry> entries;
    uint16_t blocks;
    const char* log_line;
  } cases[] = {
      {"wrong check sum", wrong_sum, 112, "000000 ESM_FILE: ERR#002e-002f\n"},
      {"short file", good_entries(), 2, "000000 ESM_FILE: ERR#0\n"},
  };
  uint32_t key = 10;
  for (const auto& c : cases) {
    bytes img = kx55_image(c.entries);
    download(key, img, c.blocks);
    EXPECT_EQ(log(), c.log_line) << c.name;
    EXPECT_EQ(names(), std::vector<std::string>{"kx55_" + std::to_string(key) + ".tmp"}) << c.name;
    remove((dir + "kx55_" + std::to_string(key) + ".tmp").c_str());
    remove(g_cfg.log_file);
    ++key;
  }
  // A length past the image: the lengths field wraps at 16 bits, so build it by hand.
  bytes img = kx55_image(good_entries());
  img[3] = 0xFF, img[4] = 0xFF;
  download(20, img, 112);
  EXPECT_EQ(log().substr(0, 21), "000000 ESM_FILE: ERR#");
  EXPECT_EQ(names(), std::vector<std::string>{"kx55_20.tmp"});
  remove((dir + "kx55_20.tmp").c_str());

  download(21, kx55_image(no_card), 112);
  ASSERT_EQ(names().size(), 1u);
  EXPECT_EQ(names()[0].substr(15), "_0000000000000000.ddd");
}

TEST_F(Files, DigiBlocksLandAtTheirOffset) {
  bytes a(DIGI_BLOCK_SIZE, 'a'), b(DIGI_BLOCK_SIZE, 'b'), z(10, 'z');
  const struct {
    uint16_t index;
    const bytes* data;
  } blocks[] = {{3, &b}, {1, &z}, {0, &z}, {2, &a}};
  for (const auto& k : blocks) {
    ev_block ev = {0, 55, k.index, 9, static_cast<uint16_t>(k.data->size()), 0, k.data->data()};
    EXPECT_EQ(server_callback(EV_DIGI_BLOCK, reinterpret_cast<intptr_t>(&ev)), 1);
  }
  EXPECT_EQ(read_file(dir + "digi_55.tmp"), std::string(234, 'a') + std::string(234, 'b'));
}

TEST_F(Files, ChunksOfAThousandByteFile) {
  std::string content;
  for (int i = 0; i < 1000; ++i) content.push_back(static_cast<char>(i * 7));
  std::ofstream(dir + "RavokFrm_4098_013_USB.bin", std::ios::binary) << content;
  std::ofstream(dir + "DallasList_000042_USB.bin", std::ios::binary) << content;
  const struct {
    uint32_t index;
    size_t offset, length;
  } chunks[] = {{0, 0, 16},    {1, 16, 256}, {2, 272, 256},  {3, 528, 256},
                {4, 784, 216}, {5, 0, 0},    {0x10002, 0, 0}};  // the block carries the low 16 bits
                                                                // of the index
  for (const auto& c : chunks) {
    ev_firmware_chunk fw = {0, 4098022, 13, c.index};
    ev_keylist_chunk kl = {0, 0, 42, c.index};
    for (intptr_t r : {server_callback(EV_FIRMWARE_CHUNK, reinterpret_cast<intptr_t>(&fw)),
                       server_callback(EV_KEYLIST_CHUNK, reinterpret_cast<intptr_t>(&kl))}) {
      const chunk_block* b = reinterpret_cast<const chunk_block*>(r);
      ASSERT_NE(b, nullptr);
      EXPECT_EQ(b->index, static_cast<uint16_t>(c.index));
      ASSERT_EQ(b->length, c.length) << c.index;
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(b->data), b->length),
                content.substr(c.offset, c.length));
    }
  }
  ev_firmware_chunk missing = {0, 4099000, 13, 1};
  const chunk_block* b = reinterpret_cast<const chunk_block*>(
      server_callback(EV_FIRMWARE_CHUNK, reinterpret_cast<intptr_t>(&missing)));
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->length, 0);
}

}  // namespace
