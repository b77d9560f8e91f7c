// Scanner file uploads with resume through the files table.
#include <string.h>
#include <sys/stat.h>

#include "server/Files.h"
#include "tests/server/ServerFixture.h"

using namespace srvtest;

namespace {

class FilesDb : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    dir = temp_dir();
    snprintf(g_cfg.scanner_dir, CFG_TEXT_SIZE, "%s", dir.c_str());
    for (int i = 0; i < 20 * 256; ++i) content.push_back(static_cast<char>('A' + i % 26));
  }
  const file_begin_block* begin(uint32_t device, const char* name, uint32_t size) {
    ev_file_begin ev = {};
    ev.device_id = device;
    ev.size = size;
    ev.crcc1 = 11;
    ev.crcc2 = 22;
    snprintf(ev.name, sizeof ev.name, "%s", name);
    snprintf(ev.dscr, sizeof ev.dscr, "scan of 'm'");
    return reinterpret_cast<const file_begin_block*>(
        server_callback(EV_FILE_BEGIN, reinterpret_cast<intptr_t>(&ev)));
  }
  intptr_t block(uint32_t file, uint16_t index, uint16_t count) {
    ev_block ev = {0,
                   file,
                   index,
                   count,
                   256,
                   0,
                   reinterpret_cast<const uint8_t*>(content.data()) + index * 256};
    return server_callback(EV_FILE_BLOCK, reinterpret_cast<intptr_t>(&ev));
  }
  std::string dir, content;
};

TEST_F(FilesDb, UploadInterruptedResumedAndCompleted) {
  const file_begin_block* b = begin(5, "scan1.pdf", 5120);
  ASSERT_NE(b, nullptr);
  uint32_t id = b->file_id;
  EXPECT_EQ(b->position, 0u);
  for (uint16_t i = 0; i < 10; ++i) EXPECT_EQ(block(id, i, 20), 256 * (i + 1));
  std::string progress = "select completed from files where id=" + std::to_string(id);
  EXPECT_EQ(sql->value(progress), "50");

  b = begin(5, "scan1.pdf", 5120);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->file_id, id);
  EXPECT_EQ(b->position, 2560u) << "resumes where the temporary file ends";
  EXPECT_EQ(block(id, 5, 20), 2560) << "a repeated block writes nothing";
  EXPECT_EQ(block(id, 12, 20), 2560) << "a block ahead of the file writes nothing";
  EXPECT_EQ(block(id, 19, 20), 2560) << "nor does a misplaced last block finish the upload";
  EXPECT_EQ(sql->value(progress), "50");
  EXPECT_EQ(block(id, 3, 0), 2560) << "a block count of 0 is refused";
  for (uint16_t i = 10; i < 20; ++i) EXPECT_EQ(block(id, i, 20), 256 * (i + 1));

  EXPECT_EQ(sql->value(progress), "100");
  std::string final_name = dir + std::to_string(id) + "_scan1.pdf";
  EXPECT_EQ(read_file(final_name), content);
  struct stat st;
  EXPECT_NE(stat((dir + "file_" + std::to_string(id) + ".tmp").c_str(), &st), 0);

  b = begin(9, "scan1.pdf", 5120);  // the same file from another tracker
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->file_id, id);
  EXPECT_EQ(b->position, 5120u) << "a completed upload reports its full size";
  EXPECT_EQ(sql->value("select count(*) from files"), "1");
  EXPECT_EQ(sql->value("select concat_ws('|',device_id,name,dscr,size,crcc1,crcc2) from files"),
            "5|scan1.pdf|scan of 'm'|5120|11|22");
}

TEST_F(FilesDb, UploadedNameStaysInsideTheScannerDirectory) {
  const file_begin_block* b = begin(5, "../../x.txt", 256);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(block(b->file_id, 0, 1), 256);
  EXPECT_EQ(read_file(dir + std::to_string(b->file_id) + "__._.._x.txt"), content.substr(0, 256));
}

}  // namespace
