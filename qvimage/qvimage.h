/*
 * The image codec library "QVImage" as the file library calls it: six
 * exported functions over one kind of memory block, a packed DIB (header,
 * colour table, bottom-up rows padded to 4 bytes; see dib_format.h). Every
 * function answers nonzero for success and 0 for failure.
 *
 * A block belongs to the library that made it and is released only through
 * FreeMemory. Functions that take the address of an image pointer replace the
 * block on success (the old one is released) and leave it untouched on
 * failure. Where a pixel pointer is passed, it is the start of the block's
 * pixel rows.
 *
 * Our build adds one optional export, DecodeImageScaled; callers look it up
 * and fall back to DecodeImage when a library lacks it.
 */
#ifndef VORAFILE_QVIMAGE_QVIMAGE_H
#define VORAFILE_QVIMAGE_QVIMAGE_H

#ifdef __cplusplus
extern "C" {
#endif

#if defined(QVIMAGE_BUILDING)
#if defined(_WIN32)
#define QVIMAGE_API __declspec(dllexport)
#else
#define QVIMAGE_API __attribute__((visibility("default")))
#endif
#else
#define QVIMAGE_API
#endif

/* Decodes the picture file `path` (BMP, JPEG or PNG, told apart by their
 * first bytes) into a new block stored in *image. `options` must be 0. */
QVIMAGE_API int DecodeImage(const char *path, void **image, int options);

/* Writes the image to `path`; the format follows from the extension (".jpg"
 * and ".jpeg": JPEG of quality 90, ".png", ".bmp"). A file that could not be
 * written whole is removed. */
QVIMAGE_API int EncodeImage(const char *path, void *image, void *pixels);

/* Resamples the image to exactly width x height: area averaging along an
 * axis that shrinks, bilinear along one that grows. The result has 24 bits
 * per pixel, or 32 when the source has 32. */
QVIMAGE_API int ResizeImage(void **image, void *pixels, int width, int height);

/* Reduces a 24-bit image to at most `colours` colours (median cut; 1 to 256,
 * more is taken as 256). The result has 1, 4 or 8 bits per pixel and a
 * colour table of 2, 16 or 256 entries of which biClrUsed are in use. */
QVIMAGE_API int QuantizeImage(void **image, void *pixels, int colours);

/* Makes a black 24-bit image of `width` x `height` pixels. */
QVIMAGE_API int CreateMemory(void **image, int width, int height);

/* Releases a block that this library made; null is ignored. */
QVIMAGE_API int FreeMemory(void *image);

/* Like DecodeImage, but a JPEG may be decoded reduced by its DCT scaling to
 * no less than min(its width, minWidth) x min(its height, minHeight). */
QVIMAGE_API int DecodeImageScaled(const char *path, void **image, int minWidth,
                                  int minHeight);

#ifdef __cplusplus
}
#endif

#endif /* VORAFILE_QVIMAGE_QVIMAGE_H */
