// paint.h - per-pixel drawing helpers for the example pictures: straight-alpha
// colours with the "over" operator, soft-edged shape coverage and smooth value
// noise. Plain arithmetic only, so the pictures come out bit-identical on
// every build.
#pragma once

#include <cstdint>

struct Rgba {
    double r = 0, g = 0, b = 0, a = 0; // 0..1, straight (not premultiplied)
};

// `top` composited over `bottom`.
Rgba paint_over(const Rgba &bottom, const Rgba &top);

// `c` with its opacity scaled by `coverage` (0..1).
Rgba paint_fade(Rgba c, double coverage);

// Linear blend of two colours, t in 0..1.
Rgba paint_mix(const Rgba &a, const Rgba &b, double t);

double paint_clamp(double v, double lo = 0, double hi = 1);

// 0 below e0, 1 above e1, a smooth S-curve between.
double paint_smoothstep(double e0, double e1, double v);

// Signed distance from (x, y) to a rounded rectangle of centre (cx, cy),
// half extents (hw, hh) and corner radius r; negative inside.
double paint_rounded_box(double x, double y, double cx, double cy, double hw, double hh, double r);

// Smooth fractal noise in 0..1 of `octaves` octaves, feature size `scale` pixels.
double paint_noise(double x, double y, double scale, int octaves, uint32_t seed);

// An 8-bit or 16-bit sample from 0..1.
uint8_t paint_byte(double v);
uint16_t paint_word(double v);
