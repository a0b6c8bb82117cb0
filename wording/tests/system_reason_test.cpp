#include <gtest/gtest.h>

#include <cerrno>

#include "system_reason.hpp"

using glifora::wording::systemReason;

TEST(SystemReason, ReadsInSpanishWithTheNumberBesideItAndNamesUnknownNumbers)
{
    EXPECT_EQ(systemReason(ENOENT), "no existe el fichero o el directorio (error 2)");
    EXPECT_EQ(systemReason(EACCES), "permiso denegado (error 13)");
    EXPECT_EQ(systemReason(123456), "error del sistema (error 123456)");
}
