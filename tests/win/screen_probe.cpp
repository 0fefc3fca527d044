// Test helper for the Windows player's end-to-end tests (Linux build):
//   screen_probe grab DISPLAY OUT.png          the whole screen of DISPLAY as a PNG
//   screen_probe compare A.png B.png           mean and largest channel difference and the share
//                                              of pixels more than 24 apart, one line
//   screen_probe colours A.png                 mean colour and spread (standard deviation)
//   screen_probe close DISPLAY NAME            asks the top-level window called NAME to close, as
//                                              a window manager's close button does
//                                              (WM_DELETE_WINDOW)
// Exit status 0, or 1 with a message on stderr.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <math.h>
#include <png.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

namespace {

struct image {
    int w = 0, h = 0;
    std::vector<unsigned char> rgb;
};

bool write_png(const char* path, const image& im) {
    FILE* f = fopen(path, "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, im.w, im.h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < im.h; ++y) png_write_row(png, im.rgb.data() + (size_t)y * 3 * im.w);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return fclose(f) == 0;
}

bool read_png(const char* path, image* im) {
    png_image p;
    memset(&p, 0, sizeof p);
    p.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&p, path)) return false;
    p.format = PNG_FORMAT_RGB;
    im->w = (int)p.width;
    im->h = (int)p.height;
    im->rgb.resize(PNG_IMAGE_SIZE(p));
    return png_image_finish_read(&p, nullptr, im->rgb.data(), 0, nullptr) != 0;
}

// The window called `name` among the root's children and their children (a window manager or
// Wine may wrap it), or 0.
Window find_named(Display* d, Window w, const char* name, int depth) {
    char* title = nullptr;
    if (XFetchName(d, w, &title) && title) {
        bool same = strcmp(title, name) == 0;
        XFree(title);
        if (same) return w;
    }
    if (depth == 0) return 0;
    Window r, parent, *children = nullptr;
    unsigned n = 0;
    Window found = 0;
    if (XQueryTree(d, w, &r, &parent, &children, &n)) {
        for (unsigned i = 0; i < n && !found; ++i) found = find_named(d, children[i], name, depth - 1);
        if (children) XFree(children);
    }
    return found;
}

int fail(const char* what) {
    fprintf(stderr, "screen_probe: %s\n", what);
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && !strcmp(argv[1], "grab")) {
        Display* d = XOpenDisplay(argv[2]);
        if (!d) return fail("cannot open the display");
        Window root = DefaultRootWindow(d);
        XWindowAttributes a;
        XGetWindowAttributes(d, root, &a);
        XImage* x = XGetImage(d, root, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
        if (!x) return fail("cannot read the screen");
        image im;
        im.w = a.width;
        im.h = a.height;
        im.rgb.resize((size_t)im.w * im.h * 3);
        for (int y = 0; y < im.h; ++y)
            for (int i = 0; i < im.w; ++i) {
                unsigned long p = XGetPixel(x, i, y);
                unsigned char* o = &im.rgb[((size_t)y * im.w + i) * 3];
                o[0] = (p >> 16) & 255;
                o[1] = (p >> 8) & 255;
                o[2] = p & 255;
            }
        XDestroyImage(x);
        XCloseDisplay(d);
        return write_png(argv[3], im) ? 0 : fail("cannot write the PNG");
    }
    if (argc == 4 && !strcmp(argv[1], "close")) {
        Display* d = XOpenDisplay(argv[2]);
        if (!d) return fail("cannot open the display");
        Window w = find_named(d, DefaultRootWindow(d), argv[3], 2);
        if (!w) return fail("no such window");
        XEvent e;
        memset(&e, 0, sizeof e);
        e.xclient.type = ClientMessage;
        e.xclient.window = w;
        e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
        e.xclient.format = 32;
        e.xclient.data.l[0] = (long)XInternAtom(d, "WM_DELETE_WINDOW", False);
        e.xclient.data.l[1] = CurrentTime;
        XSendEvent(d, w, False, NoEventMask, &e);
        XCloseDisplay(d);
        return 0;
    }
    if (argc == 4 && !strcmp(argv[1], "compare")) {
        image a, b;
        if (!read_png(argv[2], &a) || !read_png(argv[3], &b)) return fail("cannot read a PNG");
        if (a.w != b.w || a.h != b.h) return fail("the sizes differ");
        double sum = 0;
        int largest = 0;
        size_t far = 0;
        for (size_t i = 0; i < a.rgb.size(); i += 3) {
            int worst = 0;
            for (int c = 0; c < 3; ++c) {
                int d = abs((int)a.rgb[i + c] - (int)b.rgb[i + c]);
                sum += d;
                if (d > worst) worst = d;
            }
            if (worst > largest) largest = worst;
            if (worst > 24) ++far;
        }
        printf("mean %.3f largest %d far %.5f\n", sum / (double)a.rgb.size(), largest,
               (double)far / (double)(a.rgb.size() / 3));
        return 0;
    }
    if (argc == 3 && !strcmp(argv[1], "colours")) {
        image a;
        if (!read_png(argv[2], &a)) return fail("cannot read the PNG");
        double s[3] = {0, 0, 0}, q[3] = {0, 0, 0};
        size_t n = a.rgb.size() / 3;
        for (size_t i = 0; i < a.rgb.size(); i += 3)
            for (int c = 0; c < 3; ++c) {
                s[c] += a.rgb[i + c];
                q[c] += (double)a.rgb[i + c] * a.rgb[i + c];
            }
        double m[3], sd[3];
        for (int c = 0; c < 3; ++c) {
            m[c] = s[c] / n;
            sd[c] = sqrt(q[c] / n - m[c] * m[c] > 0 ? q[c] / n - m[c] * m[c] : 0);
        }
        printf("mean %.1f %.1f %.1f spread %.1f %.1f %.1f\n", m[0], m[1], m[2], sd[0], sd[1], sd[2]);
        return 0;
    }
    fprintf(stderr, "usage: screen_probe grab DISPLAY OUT.png | compare A.png B.png | colours A.png | close DISPLAY NAME\n");
    return 2;
}
