#include <gtest/gtest.h>
#include "host/testing/program_session.h"
int main(int argc, char** argv) { return quorix::testing::Main(argc, argv); }
