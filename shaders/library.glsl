// The GLSL functions the layer types' shaders are built from. glslsource.cpp
// copies the sections a composition needs into its shader: each section
// starts with a line "//# name: the sections it needs", and runs to the next.
//
// Each function repeats its type's scalar definition in generators/
// operation for operation: every float operation of the C++ is one here, in
// the same order, stored in a PL_PRECISE variable so that no fused
// multiply-add or reordering can change it (PL_PRECISE is `precise` where
// the language has it). Comparisons keep the C++'s sense, so a NaN takes the
// same branch. The definitions the generator adds: the constants below, the
// views patternlensViews, the picture size plSize and the permutations
// plPermutations (256 entries for each seed in use, a table's first entry
// at its offset).

//# trunc
// Truncation toward zero that saturates outside the int range; NaN gives 0.
int plTrunc(float v)
{
    if (isnan(v)) return 0;
    if (v >= 2147483648.0) return 2147483647;
    if (v <= -2147483648.0) return -2147483647 - 1;
    return int(v);
}

//# unit
// v brought into [0, 1]: 1 unless v < 1, then 0 unless v > 0; NaN gives 1.
float plClampUnit(float v)
{
    PL_PRECISE float r = v < 1.0 ? v : 1.0;
    r = r > 0.0 ? r : 0.0;
    return r;
}

// A variable driven by an input layer: its value s in [0, 1] brought onto
// the range.
float plScale(float minValue, float maxValue, float s)
{
    PL_PRECISE float r = maxValue - minValue;
    r = r * s;
    r = minValue + r;
    return r;
}

float plInverse(float v)
{
    PL_PRECISE float r = 1.0 - v;
    return r;
}

//# map: trunc
// A layer's mapping from the texture's pixels to layer coordinates, from its
// view (centre x, y and extents zoomx, zoomy): left, top, width and span
// (top minus bottom, negative) of the layer rectangle.
vec4 plRect(vec4 view)
{
    PL_PRECISE float hx = view.z * 0.5;
    PL_PRECISE float hy = view.w * 0.5;
    PL_PRECISE float left = view.x - hx;
    PL_PRECISE float right = view.x + hx;
    PL_PRECISE float top = view.y - hy;
    PL_PRECISE float bottom = view.y + hy;
    PL_PRECISE float width = right - left;
    PL_PRECISE float span = top - bottom;
    return vec4(left, top, width, span);
}

// Texture point p to layer coordinates.
vec2 plToLayer(vec4 view, vec2 p)
{
    vec4 r = plRect(view);
    PL_PRECISE float u = p.x / plSize.x;
    PL_PRECISE float v = p.y / plSize.y;
    PL_PRECISE float x = r.z * u;
    x = x + r.x;
    PL_PRECISE float y = r.w * v;
    y = y + r.y;
    return vec2(x, y);
}

// Layer point l to whole pixels, truncated toward zero.
vec2 plToWindow(vec4 view, vec2 l)
{
    vec4 r = plRect(view);
    PL_PRECISE float dx = l.x - r.x;
    dx = dx / r.z;
    dx = dx * plSize.x;
    PL_PRECISE float dy = l.y - r.y;
    dy = dy / r.w;
    dy = dy * plSize.y;
    return vec2(float(plTrunc(dx)), float(plTrunc(dy)));
}

//# cells-math: trunc
// The position of a inside its cell of size b, from the cell's lower edge.
float plWrapPositive(float a, float b)
{
    if (b == 0.0) return 0.0;
    PL_PRECISE float quotient = a / b;
    int q = plTrunc(quotient);
    int k = q == -2147483647 - 1 ? 2147483647 : abs(q);
    if (a >= 0.0) {
        PL_PRECISE float down = b * float(k);
        down = a - down;
        return down;
    }
    PL_PRECISE float next = k == 2147483647 ? 2147483648.0 : float(k + 1);
    PL_PRECISE float up = b * next;
    up = a + up;
    return up;
}

// The multiple of b on the origin side of a.
float plSnapToCell(float a, float b)
{
    if (b == 0.0) return 0.0;
    PL_PRECISE float quotient = a / b;
    PL_PRECISE float r = float(plTrunc(quotient)) * b;
    return r;
}

// The period that fits a whole number of times across the extent.
float plFittedPeriod(float extent, float period)
{
    PL_PRECISE float n = extent / period;
    n = n + 0.5;
    PL_PRECISE float count = n >= 1.0 ? floor(n) : 1.0;
    PL_PRECISE float r = extent / count;
    return r;
}

//# lattice: trunc
int plPerm(int table, int i)
{
    return plPermutations[table + (i & 255)];
}

// trunc(v) for v > 0, trunc(v) - 1 otherwise.
int plLatticeFloor(float v)
{
    int t = plTrunc(v);
    if (v > 0.0) return t;
    return t == -2147483647 - 1 ? t : t - 1;
}

// The sum of four ints as a float, rounded once as a 64-bit sum would be:
// the sum is taken in 16-bit halves, so saturated coordinates cannot wrap.
float plLatticeSum(ivec4 v)
{
    ivec4 high = v >> 16;
    ivec4 low = v & 0xffff;
    int a = high.x + high.y + high.z + high.w;
    int b = low.x + low.y + low.z + low.w;
    a = a + (b >> 16);
    b = b & 0xffff;
    PL_PRECISE float r = float(a) * 65536.0;
    r = r + float(b);
    return r;
}

//# noise2: lattice
float plGradient2(int hash, float x, float y)
{
    int h = hash & 7;
    PL_PRECISE float u = h < 4 ? x : y;
    PL_PRECISE float v = h < 4 ? y : x;
    PL_PRECISE float a = (h & 1) != 0 ? -u : u;
    PL_PRECISE float b = (h & 2) != 0 ? -2.0 * v : 2.0 * v;
    PL_PRECISE float g = a + b;
    return g;
}

float plCorner2(int hash, float dx, float dy)
{
    PL_PRECISE float a = 0.5 - dx * dx;
    a = a - dy * dy;
    if (a < 0.0) return 0.0;
    a = a * a;
    PL_PRECISE float c = a * a;
    c = c * plGradient2(hash, dx, dy);
    return c;
}

// The 2-D simplex noise of generators/gradientnoise.cpp, sample2.
float plNoise2(int table, float x, float y)
{
    PL_PRECISE float s = x + y;
    s = s * PL_F2;
    PL_PRECISE float xs = x + s;
    PL_PRECISE float ys = y + s;
    int i = plLatticeFloor(xs);
    int j = plLatticeFloor(ys);
    PL_PRECISE float t = plLatticeSum(ivec4(i, j, 0, 0)) * PL_G2;
    PL_PRECISE float x0 = float(i) - t;
    x0 = x - x0;
    PL_PRECISE float y0 = float(j) - t;
    y0 = y - y0;
    int i1 = x0 > y0 ? 1 : 0;
    int j1 = x0 > y0 ? 0 : 1;
    PL_PRECISE float x1 = x0 - float(i1);
    x1 = x1 + PL_G2;
    PL_PRECISE float y1 = y0 - float(j1);
    y1 = y1 + PL_G2;
    PL_PRECISE float x2 = x0 - 1.0;
    x2 = x2 + PL_G2_2;
    PL_PRECISE float y2 = y0 - 1.0;
    y2 = y2 + PL_G2_2;
    int ii = i & 255;
    int jj = j & 255;
    PL_PRECISE float n0 = plCorner2(plPerm(table, ii + plPerm(table, jj)), x0, y0);
    PL_PRECISE float n1 = plCorner2(plPerm(table, ii + i1 + plPerm(table, jj + j1)), x1, y1);
    PL_PRECISE float n2 = plCorner2(plPerm(table, ii + 1 + plPerm(table, jj + 1)), x2, y2);
    PL_PRECISE float n = n0 + n1;
    n = n + n2;
    n = PL_SCALE2 * n;
    return n;
}

//# noise4: lattice
float plCorner4(int hash, vec4 d)
{
    PL_PRECISE float a = 0.6 - d.x * d.x;
    a = a - d.y * d.y;
    a = a - d.z * d.z;
    a = a - d.w * d.w;
    if (a < 0.0) return 0.0;
    a = a * a;
    int h = hash & 31;
    PL_PRECISE float u = h < 24 ? d.x : d.y;
    PL_PRECISE float v = h < 16 ? d.y : d.z;
    PL_PRECISE float w = h < 8 ? d.z : d.w;
    PL_PRECISE float g = (h & 1) != 0 ? -u : u;
    g = g + ((h & 2) != 0 ? -v : v);
    g = g + ((h & 4) != 0 ? -w : w);
    PL_PRECISE float c = a * a;
    c = c * g;
    return c;
}

int plHash4(int table, ivec4 c)
{
    int h = plPerm(table, c.w);
    h = plPerm(table, c.z + h);
    h = plPerm(table, c.y + h);
    return plPerm(table, c.x + h);
}

// The 4-D simplex noise of generators/gradientnoise.cpp, sample4.
float plNoise4(int table, vec4 p)
{
    PL_PRECISE float s = p.x + p.y;
    s = s + p.z;
    s = s + p.w;
    s = s * PL_F4;
    PL_PRECISE vec4 skewed = p + vec4(s);
    ivec4 c = ivec4(plLatticeFloor(skewed.x), plLatticeFloor(skewed.y), plLatticeFloor(skewed.z),
                    plLatticeFloor(skewed.w));
    PL_PRECISE float t = plLatticeSum(c) * PL_G4;
    PL_PRECISE vec4 o = vec4(c) - vec4(t);
    o = p - o;
    // The rank of each coordinate among the four; no ranks (all 0) for the
    // orders no real numbers give.
    int xy = o.x > o.y ? 1 : 0, xz = o.x > o.z ? 1 : 0, yz = o.y > o.z ? 1 : 0;
    int xw = o.x > o.w ? 1 : 0, yw = o.y > o.w ? 1 : 0, zw = o.z > o.w ? 1 : 0;
    ivec4 rank = ivec4(xy + xz + xw, 1 - xy + yz + yw, 2 - xz - yz + zw, 3 - xw - yw - zw);
    int seen = (1 << rank.x) | (1 << rank.y) | (1 << rank.z) | (1 << rank.w);
    if (seen != 15) rank = ivec4(0);
    ivec4 cell = c & 255;
    PL_PRECISE float sum = plCorner4(plHash4(table, cell), o);
    for (int n = 0; n < 3; ++n) {
        ivec4 step = ivec4(greaterThanEqual(rank, ivec4(3 - n)));
        PL_PRECISE float shift = n == 0 ? PL_G4 : n == 1 ? PL_G4_2 : PL_G4_3;
        PL_PRECISE vec4 d = o - vec4(step);
        d = d + vec4(shift);
        sum = sum + plCorner4(plHash4(table, cell + step), d);
    }
    PL_PRECISE vec4 last = o - vec4(1.0);
    last = last + vec4(PL_G4_4);
    sum = sum + plCorner4(plHash4(table, cell + ivec4(1)), last);
    sum = 27.0 * sum;
    return sum;
}

//# torus: noise4
#ifdef PL_EXACT_TURNS
// a = hi + lo exactly, hi with the upper half of a's bits (Veltkamp's
// split): products of halves are exact in float.
vec2 plSplit(float a)
{
    precise float c = 4097.0 * a;
    precise float hi = c - (c - a);
    precise float lo = a - hi;
    return vec2(hi, lo);
}
#endif

// Where a coordinate lies on the circle of its extent: the cosine and sine
// of 2 pi times its fraction of the extent. The renderer takes the fraction
// and the turn in double precision from the C library. A float quotient of
// a coordinate far from 0 keeps few bits of its fraction, so where products
// are exact (precise) the whole turns are taken off the coordinate exactly
// first, and only the remainder is divided; the cosine and sine are the
// GPU's own, so seamless pictures can still differ from the renderer's in
// the last bits.
vec2 plTurn(float coordinate, float extent)
{
    PL_PRECISE float q = coordinate / extent;
#ifdef PL_EXACT_TURNS
    precise float k = floor(q);
    precise float p = k * extent;
    vec2 ks = plSplit(k);
    vec2 es = plSplit(extent);
    // p's rounding error: k * extent = p + e exactly (Dekker's product).
    precise float e = ((ks.x * es.x - p) + ks.x * es.y + ks.y * es.x) + ks.y * es.y;
    precise float r = (coordinate - p) - e;
    precise float t = r / extent;
    if (t < 0.0) t = t + 1.0;
    if (t >= 1.0) t = t - 1.0;
#else
    PL_PRECISE float t = q - floor(q);
#endif
    PL_PRECISE float angle = PL_TWO_PI * t;
    return vec2(cos(angle), sin(angle));
}

// The radius of the circle whose circumference is the extent.
float plRadius(float extent)
{
    PL_PRECISE float r = extent / PL_TWO_PI;
    return r;
}

// gain times n, clamped to [-1, 1]; NaN stays NaN.
float plGainClamped(float n)
{
    PL_PRECISE float v = PL_NOISE_GAIN * n;
    if (v > 1.0) v = 1.0;
    if (v < -1.0) v = -1.0;
    return v;
}

//# noise: noise2 map unit
float plCutNoise(float n, float cut)
{
    PL_PRECISE float h = n + 1.0;
    h = h * 0.5;
    if (h > cut) {
        PL_PRECISE float factor = 1.0 - cut;
        factor = 1.0 / factor;
        PL_PRECISE float v = h - cut;
        v = v * factor;
        return plClampUnit(v);
    }
    return 0.0;
}

// The Noise layer.
float plNoise(int table, vec4 view, vec2 p, float cut)
{
    vec2 l = plToLayer(view, p);
    return plCutNoise(plNoise2(table, l.x, l.y), cut);
}

//# torus-noise: noise torus
// The seamless Noise layer: the 4-D noise on the view's torus.
float plTorusNoise(int table, vec4 view, vec2 p, float cut)
{
    vec2 l = plToLayer(view, p);
    vec2 tx = plTurn(l.x, view.z);
    vec2 ty = plTurn(l.y, view.w);
    PL_PRECISE float rx = plRadius(view.z);
    PL_PRECISE float ry = plRadius(view.w);
    PL_PRECISE vec4 q = vec4(rx * tx.x, rx * tx.y, ry * ty.x, ry * ty.y);
    return plCutNoise(plGainClamped(plNoise4(table, q)), cut);
}

//# squares: map cells-math
float plInsideSquare(float u, float v, float w)
{
    return u > 0.0 && v > 0.0 && u < w && v < w ? 1.0 : 0.0;
}

// The pixel of the corner of p's cell on the origin side, where the Width
// is read.
vec2 plSquareCorner(vec4 view, vec2 p)
{
    vec2 l = plToLayer(view, p);
    return plToWindow(view, vec2(plSnapToCell(l.x, 5.0), plSnapToCell(l.y, 5.0)));
}

// The Squares layer, the Width w read at plSquareCorner.
float plSquares(vec4 view, vec2 p, float w)
{
    vec2 l = plToLayer(view, p);
    return plInsideSquare(plWrapPositive(l.x, 5.0), plWrapPositive(l.y, 5.0), w);
}

//# fitted-squares: squares
// Seamless: the pixel of the lower corner of p's fitted cell, both found by
// floors.
vec2 plFittedSquareCorner(vec4 view, vec2 p)
{
    vec2 l = plToLayer(view, p);
    vec4 r = plRect(view);
    PL_PRECISE float cellX = plFittedPeriod(view.z, 5.0);
    PL_PRECISE float cellY = plFittedPeriod(view.w, 5.0);
    PL_PRECISE float xx = l.x / cellX;
    xx = floor(xx) * cellX;
    PL_PRECISE float yy = l.y / cellY;
    yy = floor(yy) * cellY;
    PL_PRECISE float cx = xx - r.x;
    cx = cx / r.z;
    cx = cx * plSize.x;
    PL_PRECISE float cy = yy - r.y;
    cy = cy / r.w;
    cy = cy * plSize.y;
    return vec2(float(plTrunc(floor(cx))), float(plTrunc(floor(cy))));
}

float plFittedSquares(vec4 view, vec2 p, float w)
{
    vec2 l = plToLayer(view, p);
    PL_PRECISE float cellX = plFittedPeriod(view.z, 5.0);
    PL_PRECISE float cellY = plFittedPeriod(view.w, 5.0);
    return plInsideSquare(plWrapPositive(l.x, cellX), plWrapPositive(l.y, cellY), w);
}

//# circles: map cells-math
// The point where the Radius and Spacing are read: the layer coordinates
// themselves, truncated.
vec2 plCirclePoint(vec4 view, vec2 p)
{
    vec2 l = plToLayer(view, p);
    return vec2(float(plTrunc(l.x)), float(plTrunc(l.y)));
}

float plInsideDisc(float u, float v, float r)
{
    PL_PRECISE float du = u - r;
    PL_PRECISE float dv = v - r;
    PL_PRECISE float rr = r * r;
    PL_PRECISE float dd = du * du;
    dd = dd + dv * dv;
    return rr > dd ? 1.0 : 0.0;
}

// The Circles layer, r and s read at plCirclePoint.
float plCircles(vec4 view, vec2 p, float r, float s)
{
    vec2 l = plToLayer(view, p);
    PL_PRECISE float period = 2.0 * r;
    period = period + s;
    return plInsideDisc(plWrapPositive(l.x, period), plWrapPositive(l.y, period), r);
}

// Seamless: the period fitted to each extent, r and s read at p itself.
float plFittedCircles(vec4 view, vec2 p, float r, float s)
{
    vec2 l = plToLayer(view, p);
    PL_PRECISE float period = 2.0 * r;
    period = period + s;
    return plInsideDisc(plWrapPositive(l.x, plFittedPeriod(view.z, period)),
                        plWrapPositive(l.y, plFittedPeriod(view.w, period)), r);
}

//# octaves: noise2
// The number of octaves for an Octaves value: its whole part within 1 .. 8.
int plOctaveCount(float c)
{
    if (c >= 1.0) return c >= 8.0 ? 8 : int(c);
    return 1;
}

// What an octave adds of its noise n: n itself (Fractal), or with ridge n
// folded into a ridge, (1 - |n|)^2 (Ridged).
float plFold(float n, bool ridge)
{
    if (!ridge) return n;
    PL_PRECISE float a = n < 0.0 ? 0.0 - n : n;
    PL_PRECISE float r = 1.0 - a;
    r = r * r;
    return r;
}

// The octaves' weighted mean at layer point l: octave k samples at
// (x f + 17 k, y f + 31 k) and weighs by gain^k.
float plOctaveSum(int table, vec2 l, float octaves, float lac, float gain, bool ridge)
{
    int oct = plOctaveCount(octaves);
    PL_PRECISE float sum = 0.0, norm = 0.0, amp = 1.0, f = 1.0;
    for (int k = 0; k < oct; ++k) {
        PL_PRECISE float sx = l.x * f;
        sx = sx + 17.0 * float(k);
        PL_PRECISE float sy = l.y * f;
        sy = sy + 31.0 * float(k);
        PL_PRECISE float n = 0.0;
        if (abs(sx) < 16777216.0 && abs(sy) < 16777216.0) n = plNoise2(table, sx, sy);
        PL_PRECISE float t = amp * plFold(n, ridge);
        sum = sum + t;
        norm = norm + amp;
        amp = amp * gain;
        f = f * lac;
    }
    PL_PRECISE float v = sum / norm;
    return v;
}

//# torus-octaves: octaves torus map
// Seamless: octave k samples the view's torus scaled by its frequency,
// offset by 17 k and 31 k.
float plTorusOctaveSum(int table, vec4 view, vec2 p, float octaves, float lac, float gain, bool ridge)
{
    vec2 l = plToLayer(view, p);
    vec2 tx = plTurn(l.x, view.z);
    vec2 ty = plTurn(l.y, view.w);
    PL_PRECISE float rx = plRadius(view.z);
    PL_PRECISE float ry = plRadius(view.w);
    int oct = plOctaveCount(octaves);
    PL_PRECISE float sum = 0.0, norm = 0.0, amp = 1.0, f = 1.0;
    for (int k = 0; k < oct; ++k) {
        PL_PRECISE float ox = 17.0 * float(k);
        PL_PRECISE float oy = 31.0 * float(k);
        PL_PRECISE float rxk = rx * f;
        PL_PRECISE float ryk = ry * f;
        PL_PRECISE vec4 q = vec4(rxk * tx.x, rxk * tx.y, ryk * ty.x, ryk * ty.y);
        q = q + vec4(ox, ox, oy, oy);
        PL_PRECISE float n = 0.0;
        if (all(lessThan(abs(q), vec4(16777216.0)))) n = plGainClamped(plNoise4(table, q));
        PL_PRECISE float t = amp * plFold(n, ridge);
        sum = sum + t;
        norm = norm + amp;
        amp = amp * gain;
        f = f * lac;
    }
    PL_PRECISE float v = sum / norm;
    return v;
}

//# fractal: noise octaves
// The Fractal layer.
float plFractal(int table, vec4 view, vec2 p, float octaves, float lac, float gain, float cut)
{
    return plCutNoise(plOctaveSum(table, plToLayer(view, p), octaves, lac, gain, false), cut);
}

//# torus-fractal: noise torus-octaves
// The seamless Fractal layer.
float plTorusFractal(int table, vec4 view, vec2 p, float octaves, float lac, float gain, float cut)
{
    return plCutNoise(plTorusOctaveSum(table, view, p, octaves, lac, gain, false), cut);
}

//# cells: lattice unit map
float plJitterOffset(int hash)
{
    PL_PRECISE float u = float(hash) / 255.0;
    u = u - 0.5;
    return u;
}

// i mod n within 0 .. n - 1, for n >= 1.
int plWrapIndex(int i, int n)
{
    if (i >= 0) return i % n;
    int r = (-i) % n;
    return r == 0 ? 0 : n - r;
}

// The Cells value at (x, y), within 2^24: F1 + e (F2 - 2 F1), clamped, the
// feature points' hashes taken on lattice columns and rows wrapping over nx
// and ny (256: no wrap beyond the permutation's own).
float plCellsInRange(int table, float x, float y, float jit, float e, int nx, int ny)
{
    int ci = int(floor(x));
    int cj = int(floor(y));
    PL_PRECISE float d1 = uintBitsToFloat(0x7f800000u);
    PL_PRECISE float d2 = d1;
    for (int dj = -1; dj <= 1; ++dj)
        for (int di = -1; di <= 1; ++di) {
            int a = plWrapIndex(ci + di, nx) & 255;
            int b = plWrapIndex(cj + dj, ny) & 255;
            int h1 = plPerm(table, a + plPerm(table, b));
            int h2 = plPerm(table, h1 + 7);
            PL_PRECISE float u = jit * plJitterOffset(h1);
            PL_PRECISE float w = jit * plJitterOffset(h2);
            PL_PRECISE float fx = float(ci + di) + 0.5;
            fx = fx + u;
            PL_PRECISE float fy = float(cj + dj) + 0.5;
            fy = fy + w;
            PL_PRECISE float dx = fx - x;
            PL_PRECISE float dy = fy - y;
            PL_PRECISE float d = dx * dx;
            d = d + dy * dy;
            if (d < d1) {
                d2 = d1;
                d1 = d;
            } else if (d < d2) {
                d2 = d;
            }
        }
    PL_PRECISE float f1 = sqrt(d1);
    PL_PRECISE float f2 = sqrt(d2);
    PL_PRECISE float t = f2 - f1;
    t = t - f1;
    t = t * e;
    PL_PRECISE float v = f1 + t;
    return plClampUnit(v);
}

// Points beyond 2^24 (and NaN) have the value 0.
float plCellsOnLattice(int table, float x, float y, float jit, float e, int nx, int ny)
{
    return abs(x) < 16777216.0 && abs(y) < 16777216.0 ? plCellsInRange(table, x, y, jit, e, nx, ny) : 0.0;
}

// The Cells layer.
float plCells(int table, vec4 view, vec2 p, float jit, float e)
{
    vec2 l = plToLayer(view, p);
    return plCellsOnLattice(table, l.x, l.y, jit, e, 256, 256);
}

//# fitted-cells: cells
// The cells across an extent: the extent rounded, at least 1.
int plCellsAcross(float extent)
{
    PL_PRECISE float n = extent + 0.5;
    n = floor(n);
    if (n >= 1.0) return n < 1e9 ? int(n) : 1000000000;
    return 1;
}

// The seamless Cells layer: a whole number of cells across each extent.
float plFittedCells(int table, vec4 view, vec2 p, float jit, float e)
{
    vec2 l = plToLayer(view, p);
    int nx = plCellsAcross(view.z);
    int ny = plCellsAcross(view.w);
    PL_PRECISE float width = view.z / float(nx);
    PL_PRECISE float height = view.w / float(ny);
    PL_PRECISE float u = l.x / width;
    PL_PRECISE float v = l.y / height;
    return plCellsOnLattice(table, u, v, jit, e, nx, ny);
}

//# blend: unit
// The Blend layer: a + (b - a) m, clamped.
float plBlend(float a, float b, float m)
{
    PL_PRECISE float t = b - a;
    t = t * m;
    PL_PRECISE float v = a + t;
    return plClampUnit(v);
}

//# whole
// The whole number from c in [lo, hi]: lo unless c >= lo (NaN gives lo), hi
// if c >= hi, else c truncated.
int plWhole(float c, int lo, int hi)
{
    if (c >= float(lo)) return c >= float(hi) ? hi : int(c);
    return lo;
}

//# warp: unit
// The Warp layer's point: p moved by the warps, Amount in widths of the
// whole picture; w is 0 where the point is NaN or beyond 2^24.
vec3 plWarpPoint(vec2 p, float wx, float wy, float amount)
{
    PL_PRECISE float s = amount * plSize.x;
    PL_PRECISE float dx = wx - 0.5;
    dx = dx + dx;
    dx = dx * s;
    PL_PRECISE float qx = p.x + dx;
    PL_PRECISE float dy = wy - 0.5;
    dy = dy + dy;
    dy = dy * s;
    PL_PRECISE float qy = p.y + dy;
    return vec3(qx, qy, abs(qx) < 16777216.0 && abs(qy) < 16777216.0 ? 1.0 : 0.0);
}

// The Warp layer's value from its Source at the moved point.
float plWarp(vec3 q, float source)
{
    return q.z != 0.0 ? plClampUnit(source) : 0.0;
}

//# ridged: octaves map unit
// The Ridged layer: Fractal's octaves, each folded into a ridge, clamped.
float plRidged(int table, vec4 view, vec2 p, float octaves, float lac, float gain)
{
    return plClampUnit(plOctaveSum(table, plToLayer(view, p), octaves, lac, gain, true));
}

//# torus-ridged: torus-octaves unit
float plTorusRidged(int table, vec4 view, vec2 p, float octaves, float lac, float gain)
{
    return plClampUnit(plTorusOctaveSum(table, view, p, octaves, lac, gain, true));
}

//# terrace: unit whole
// The Terrace layer: the Source between Low and High, in Steps levels.
float plTerrace(float s, float lo, float hi, float steps)
{
    int k = plWhole(steps, 1, 32);
    PL_PRECISE float t = s - lo;
    PL_PRECISE float d = hi - lo;
    t = t / d;
    t = plClampUnit(t);
    if (k < 2) return t;
    PL_PRECISE float u = t * float(k);
    PL_PRECISE float i = floor(u);
    if (i > float(k - 1)) i = float(k - 1);
    PL_PRECISE float v = i / float(k - 1);
    return v;
}

//# combine: unit whole
// The Combine layer: A and B by Mode.
float plCombine(float a, float b, float mode)
{
    int m = plWhole(mode, 0, 6);
    PL_PRECISE float v;
    if (m == 0) {
        v = a + b;
    } else if (m == 1) {
        v = a - b;
    } else if (m == 2) {
        v = a * b;
    } else if (m == 3) {
        v = a < b ? a : b;
    } else if (m == 4) {
        v = a > b ? a : b;
    } else if (m == 5) {
        PL_PRECISE float t = a - b;
        v = t > 0.0 ? t : 0.0 - t;
    } else {
        PL_PRECISE float t = 1.0 - a;
        PL_PRECISE float w = 1.0 - b;
        t = t * w;
        v = 1.0 - t;
    }
    return plClampUnit(v);
}

//# gradient: map cells-math unit whole
// The Gradient layer: along x, along y, or radial about (0, -20).
float plGradient(vec4 view, vec2 p, bool seamless, float shape, float softness)
{
    vec2 l = plToLayer(view, p);
    int m = plWhole(shape, 0, 2);
    PL_PRECISE float x = l.x, y = l.y;
    if (seamless) {
        vec4 r = plRect(view);
        PL_PRECISE float u = x - r.x;
        x = r.x + plWrapPositive(u, view.z);
        PL_PRECISE float w = r.y - y;
        y = r.y - plWrapPositive(w, view.w);
    }
    PL_PRECISE float g;
    if (m == 0) {
        g = x + 10.0;
        g = g / 20.0;
    } else if (m == 1) {
        g = -10.0 - y;
        g = g / 20.0;
    } else {
        PL_PRECISE float dy = y + 20.0;
        PL_PRECISE float d = x * x;
        PL_PRECISE float t = dy * dy;
        d = d + t;
        d = sqrt(d);
        g = d / 10.0;
        g = 1.0 - g;
    }
    g = plClampUnit(g);
    PL_PRECISE float e = softness < 1.0 ? softness : 1.0;
    if (g == 0.0) return 0.0;
    if (g >= e) return 1.0;
    PL_PRECISE float v = g / e;
    return v;
}
