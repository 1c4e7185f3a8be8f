// A program whose error table is malformed: opening the tables at its start fails.
#include "port/PortErrors.h"

#include <gtest/gtest.h>

TEST(MessageTables, AMalformedErrorTableMakesTheStartFail) {
    try {
        port::OpenMessageTables();
        ADD_FAILURE() << "the start went on";
    } catch (const port::EStringResourceError& e) {
        EXPECT_EQ(e.Message(), "Invalid string resource");
    }
    EXPECT_EQ(port::ManagerStrings().TextById(5), "Invalid string resource")
        << "the reader's own table opened";
    EXPECT_THROW(port::CodeToText(0), port::EStringResourceError) << "every use tries again";
}
