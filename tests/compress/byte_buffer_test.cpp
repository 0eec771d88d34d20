#include <gtest/gtest.h>

#include <cstring>

#include "compress/byte_buffer.h"

TEST(ByteBuffer, GrowsToTwiceItsCapacityOrTheRequestKeepingItsContents)
{
	ByteBuffer buffer;
	ASSERT_TRUE(buffer.b_Append("0123456789", 10));
	EXPECT_EQ(buffer.n_Capacity(), 10u);
	ASSERT_TRUE(buffer.b_Reserve(11));
	EXPECT_EQ(buffer.n_Capacity(), 20u);
	ASSERT_TRUE(buffer.b_Resize(50));
	EXPECT_EQ(buffer.n_Capacity(), 50u);
	ASSERT_TRUE(buffer.b_Reserve(5));
	EXPECT_EQ(buffer.n_Capacity(), 50u) << "never shrinks";
	EXPECT_EQ(memcmp(buffer.p_Data(), "0123456789", 10), 0);
	buffer.Clear();
	EXPECT_TRUE(buffer.b_Empty());
	EXPECT_EQ(buffer.n_Capacity(), 50u) << "clearing keeps the memory for the next use";
}

TEST(ByteBuffer, RefusesSizesAbove32Bits)
{
	ByteBuffer buffer;
	ASSERT_TRUE(buffer.b_Append("abc", 3));
	// every size here is refused before anything is allocated or read
	EXPECT_FALSE(buffer.b_Append("x", size_t(-1)));
	EXPECT_FALSE(buffer.b_Append("x", ByteBuffer::n_max_size - 2));
	if(sizeof(size_t) > 4) {
		EXPECT_FALSE(buffer.b_Reserve(ByteBuffer::n_max_size + 1));
		EXPECT_FALSE(buffer.b_Resize(ByteBuffer::n_max_size + 1));
	}
	EXPECT_EQ(buffer.n_Size(), 3u);
	EXPECT_EQ(buffer.n_Capacity(), 3u);
	EXPECT_EQ(memcmp(buffer.p_Data(), "abc", 3), 0);
}
