// A shared library without the operations table, for the start-up test of a wrong library.
extern "C" int ravok_not_a_comm_library() {
  return 42;
}
