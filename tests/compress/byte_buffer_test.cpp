#include <gtest/gtest.h>

#include <cstring>

#include "compress/byte_buffer.h"

TEST(ByteBuffer, GrowsToTwiceItsCapacityOrTheRequestWhicheverIsLarger)
{
	ByteBuffer buffer;
	ASSERT_TRUE(buffer.b_Reserve(10));
	EXPECT_EQ(buffer.n_Capacity(), 10u);
	ASSERT_TRUE(buffer.b_Reserve(11));
	EXPECT_EQ(buffer.n_Capacity(), 20u);
	ASSERT_TRUE(buffer.b_Reserve(50));
	EXPECT_EQ(buffer.n_Capacity(), 50u);
	ASSERT_TRUE(buffer.b_Reserve(5));
	EXPECT_EQ(buffer.n_Capacity(), 50u) << "never shrinks";
	ASSERT_TRUE(buffer.b_Append("0123456789", 10));
	ASSERT_TRUE(buffer.b_Resize(51));
	EXPECT_EQ(buffer.n_Capacity(), 100u);
	EXPECT_EQ(buffer.n_Size(), 51u);
}

TEST(ByteBuffer, KeepsItsContentsWhenGrowingAndClearing)
{
	ByteBuffer buffer;
	for(int i = 0; i < 1000; ++ i) {
		const uint8_t n_byte = uint8_t(i * 13);
		ASSERT_TRUE(buffer.b_Append(&n_byte, 1));
	}
	for(int i = 0; i < 1000; ++ i)
		ASSERT_EQ(buffer.p_Data()[i], uint8_t(i * 13)) << i;
	const size_t n_capacity = buffer.n_Capacity();
	buffer.Clear();
	EXPECT_TRUE(buffer.b_Empty());
	EXPECT_EQ(buffer.n_Capacity(), n_capacity);
}

TEST(ByteBuffer, SwapExchangesContents)
{
	ByteBuffer a, b;
	ASSERT_TRUE(a.b_Append("abc", 3));
	const uint8_t *p_a_data = a.p_Data();
	a.Swap(b);
	EXPECT_TRUE(a.b_Empty());
	EXPECT_EQ(b.p_Data(), p_a_data) << "no copy";
	EXPECT_EQ(memcmp(b.p_Data(), "abc", 3), 0);
}

TEST(ByteBuffer, RefusesSizesAbove32Bits)
{
	ByteBuffer buffer;
	ASSERT_TRUE(buffer.b_Append("abc", 3));
	const size_t n_capacity = buffer.n_Capacity();
	// neither call may allocate: both sizes are refused before that
	EXPECT_FALSE(buffer.b_Append("x", size_t(-1)));
	EXPECT_FALSE(buffer.b_Append("x", ByteBuffer::n_max_size - 2));
	if(sizeof(size_t) > 4) {
		EXPECT_FALSE(buffer.b_Reserve(ByteBuffer::n_max_size + 1));
		EXPECT_FALSE(buffer.b_Resize(ByteBuffer::n_max_size + 1));
	}
	EXPECT_EQ(buffer.n_Size(), 3u);
	EXPECT_EQ(buffer.n_Capacity(), n_capacity);
	EXPECT_EQ(memcmp(buffer.p_Data(), "abc", 3), 0);
}
