#include "image/raster_image.h"

#include <new>

bool b_AcceptableImageSize(int64_t n_width, int64_t n_height)
{
	if(n_width < 0 || n_height < 0)
		return false;
	if(n_width == 0 || n_height == 0)
		return true;
	return uint64_t(n_width) <= n_max_image_pixels / uint64_t(n_height);
}

RasterImage *p_NewRasterImage(int n_width, int n_height)
{
	if(!b_AcceptableImageSize(n_width, n_height))
		return nullptr;
	RasterImage *p_image = new(std::nothrow) RasterImage;
	if(!p_image)
		return nullptr;
	p_image->n_channel_bits = 8;
	p_image->b_grayscale = false;
	p_image->b_alpha = false;
	p_image->n_width = n_width;
	p_image->n_height = n_height;
	// at least one element, so that an empty image still has a valid array
	size_t n_pixel_num = size_t(n_width) * size_t(n_height);
	if(!(p_image->p_pixels = new(std::nothrow) uint32_t[(n_pixel_num)? n_pixel_num : 1])) {
		delete p_image;
		return nullptr;
	}
	return p_image;
}

void DeleteRasterImage(RasterImage *p_image)
{
	if(!p_image)
		return;
	delete[] p_image->p_pixels;
	delete p_image;
}
