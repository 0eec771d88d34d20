#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_support.h"
#include "verify/decoder_oracle.h"

// The row decoder of "--row-decoder" cannot follow data whose planes do not
// begin where the header says: it must then refuse, never give other pixels.
// Every number of every entry point after the first plane's, moved by one
// either way, on layouts with two, three and four planes, gap looking two
// rows back and packets that straddle planes.
TEST(RowDecoder, RefusesEveryEntryPointThatIsNotWhereItsPlaneBegins)
{
	struct Kind {
		int n_color_type, n_subsample;
		bool b_base85;
	};
	const Kind p_kind[] = {{color_Gray | color_Alpha, 1, false}, {0, 2, true}, {color_Alpha | color_LosslessColor, 1, true}};
	for(const Kind &r_kind : p_kind) {
		const bool b_alpha = (r_kind.n_color_type & color_Alpha) != 0;
		ImageHolder image(p_MakeTestPicture(23, 17, uint32_t(r_kind.n_color_type), b_alpha));
		const PlaneSettings settings = {(r_kind.n_color_type & color_Gray) != 0, b_alpha,
			(r_kind.n_color_type & color_LosslessColor) != 0, r_kind.n_subsample, 8, 8};
		if(settings.b_gray)
			ConvertToGrayscale(*image.p_image, b_alpha);
		const EncodedImage encoded = EncodedWith(*image.p_image, settings, pred_Gap, pred_Med, pred_Left,
			r_kind.b_base85);
		RowEntryPoints entries;
		ASSERT_TRUE(b_FindRowEntryPoints(r_kind.b_base85, encoded.s_text.c_str(), encoded.stream.data(),
			encoded.stream.size(), encoded.params, entries));
		const char *p_s_text = encoded.s_text.c_str();
		const RowText text = {&p_s_text, encoded.s_text.size(), encoded.s_text.size()};
		Raster pixels(size_t(image->n_width) * size_t(image->n_height));
		ASSERT_TRUE(b_RowDecode(r_kind.b_base85, text, encoded.params, entries, RowPixels::Argb, pixels.data()));
		EXPECT_EQ(pixels, DecodedByEveryDecoder(r_kind.b_base85, encoded.s_text, encoded.params));
		int n_straddling = 0;
		for(int n_plane = 1; n_plane < entries.n_plane_num; ++ n_plane) {
			n_straddling += (entries.p_entry[n_plane].n_skip)? 1 : 0;
			for(int n_field = 0; n_field < 4; ++ n_field) {
				for(int n_by : {-1, 1}) {
					RowEntryPoints moved = entries;
					RowEntryPoint &r = moved.p_entry[n_plane];
					(n_field == 0)? void(r.n_text += size_t(n_by)) : (n_field == 1)? void(r.n_bit += uint64_t(n_by)) :
						(n_field == 2)? void(r.n_code += size_t(n_by)) : void(r.n_skip += n_by);
					EXPECT_FALSE(b_RowDecode(r_kind.b_base85, text, encoded.params, moved, RowPixels::Argb, pixels.data()))
						<< "colour type " << r_kind.n_color_type << ", plane " << n_plane << ", field " << n_field <<
						" moved by " << n_by;
				}
			}
		}
		EXPECT_GT(n_straddling, 0) << "no plane begins inside a packet: the skips are not tried";
	}
}
