#include "window/paint.h"

#include <objidl.h> // before gdiplus.h, which needs its IStream and PROPID

#include <gdiplus.h>
#include <uxtheme.h>

#include <memory>
#include <string>

#include "window/accessibility.h"
#include "window/layout.h"

namespace orbalt {
namespace {

namespace gp = Gdiplus;
namespace gdip = Gdiplus::DllExports;

constexpr wchar_t kReadyMessageDrawn[] = L"Getting Orbalt ready for you\nIt will launch once it's ready";
constexpr wchar_t kReadyMessageAccessible[] = L"Getting Orbalt ready for you. It will launch once it's ready";
constexpr wchar_t kFontFamily[] = L"Segoe UI Semibold";
constexpr gp::ARGB kMessageColour = 0xFF323232;
constexpr gp::ARGB kStatusColour = 0xFF5A5A5A;
constexpr gp::ARGB kBackgroundColour = 0xFFF0F0F0;
constexpr float kMessagePoints = 13;
constexpr float kStatusPoints = 9;

std::wstring& StatusText() {
    static std::wstring text = L"Getting things ready..."; // thread-safe one-time initialisation
    return text;
}

// GDI+ objects live for one paint; each is deleted by its own flat function.
template <auto Delete> struct GdipDeleter {
    template <typename T> void operator()(T* object) const { Delete(object); }
};
using Graphics = std::unique_ptr<gp::GpGraphics, GdipDeleter<gdip::GdipDeleteGraphics>>;
using FontFamily = std::unique_ptr<gp::GpFontFamily, GdipDeleter<gdip::GdipDeleteFontFamily>>;
using Font = std::unique_ptr<gp::GpFont, GdipDeleter<gdip::GdipDeleteFont>>;
using StringFormat = std::unique_ptr<gp::GpStringFormat, GdipDeleter<gdip::GdipDeleteStringFormat>>;
using Bitmap = std::unique_ptr<gp::GpBitmap, GdipDeleter<gdip::GdipDisposeImage>>;
struct BrushDeleter {
    void operator()(gp::GpSolidFill* brush) const { gdip::GdipDeleteBrush(brush); }
};
using Brush = std::unique_ptr<gp::GpSolidFill, BrushDeleter>;

struct BufferedPaintDeleter {
    void operator()(HPAINTBUFFER buffer) const { EndBufferedPaint(buffer, TRUE); } // copies to the screen
};
using PaintBuffer = std::unique_ptr<std::remove_pointer_t<HPAINTBUFFER>, BufferedPaintDeleter>;

struct GlobalDeleter {
    void operator()(HGLOBAL memory) const { GlobalFree(memory); }
};

Brush MakeBrush(gp::ARGB colour) {
    gp::GpSolidFill* brush = nullptr;
    gdip::GdipCreateSolidFill(colour, &brush);
    return Brush(brush);
}

// "Segoe UI Semibold", or where it is not installed the generic sans-serif family, or failing
// that (Wine without its fonts has neither) the family that GDI maps the system's message font
// to, so that the texts never vanish.
FontFamily MakeFontFamily(HDC dc) {
    gp::GpFontFamily* family = nullptr;
    if (gdip::GdipCreateFontFamilyFromName(kFontFamily, nullptr, &family) == gp::Ok) {
        return FontFamily(family);
    }
    family = nullptr;
    if (gdip::GdipGetGenericFontFamilySansSerif(&family) == gp::Ok) {
        return FontFamily(family);
    }
    family = nullptr;
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        gp::GpFont* font = nullptr;
        if (gdip::GdipCreateFontFromLogfontW(dc, &metrics.lfMessageFont, &font) == gp::Ok) {
            if (gdip::GdipGetFamily(font, &family) != gp::Ok) {
                family = nullptr;
            }
            gdip::GdipDeleteFont(font);
        }
    }
    return FontFamily(family);
}

Font MakeFont(const FontFamily& family, float points) {
    gp::GpFont* font = nullptr;
    if (family) {
        gdip::GdipCreateFont(family.get(), points, gp::FontStyleRegular, gp::UnitPoint, &font);
    }
    return Font(font);
}

gp::RectF ToRectF(const LayoutRect& r) {
    return gp::RectF(r.left, r.top, r.width, r.height);
}

TextBounds ToBounds(const LayoutRect& r) {
    return {r.left, r.top, r.width, r.height};
}

} // namespace

void SetStatusWindowText(const wchar_t* text) {
    StatusText() = text != nullptr ? text : L"";
}

gp::GpBitmap* LoadLogoImage() {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(102), L"PNG");
    DWORD size = resource != nullptr ? SizeofResource(module, resource) : 0;
    if (size == 0) {
        return nullptr;
    }
    HGLOBAL loaded = LoadResource(module, resource);
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr) {
        return nullptr;
    }
    std::unique_ptr<void, GlobalDeleter> memory(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size));
    if (!memory) {
        return nullptr;
    }
    void* copy = GlobalLock(memory.get());
    if (copy == nullptr) {
        return nullptr;
    }
    CopyMemory(copy, bytes, size);
    GlobalUnlock(memory.get());
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(memory.get(), TRUE, &stream))) {
        return nullptr;
    }
    memory.release(); // the stream frees it now
    gp::GpBitmap* bitmap = nullptr;
    if (gdip::GdipCreateBitmapFromStream(stream, &bitmap) != gp::Ok) {
        bitmap = nullptr;
    }
    stream->Release();
    return bitmap;
}

void PaintStatusWindow(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    // The whole client area, not just the update rectangle: Wine (and uncovering by another
    // window) paints parts of it too, and a layout taken from a part would draw the texts and
    // report their bounds in the wrong places. Outside the update region the DC clips anyway.
    RECT r{};
    GetClientRect(window, &r);
    auto dpiX = static_cast<float>(GetDeviceCaps(dc, LOGPIXELSX));
    auto dpiY = static_cast<float>(GetDeviceCaps(dc, LOGPIXELSY));
    {
        BP_PAINTPARAMS params{sizeof(params), BPPF_ERASE | BPPF_NOCLIP, nullptr, nullptr};
        HDC memoryDc = nullptr;
        PaintBuffer buffer(BeginBufferedPaint(dc, &r, BPBF_TOPDOWNDIB, &params, &memoryDc));
        StatusWindowLayout layout = LayOutStatusWindow(dpiX, dpiY, r.left, r.top, r.right, r.bottom);

        gp::GpGraphics* rawGraphics = nullptr;
        if (memoryDc == nullptr || gdip::GdipCreateFromHDC(memoryDc, &rawGraphics) != gp::Ok) {
            rawGraphics = nullptr;
        }
        Graphics graphics(rawGraphics);
        if (graphics) {
            gdip::GdipSetSmoothingMode(graphics.get(), gp::SmoothingModeHighQuality);
            gdip::GdipSetTextRenderingHint(graphics.get(), gp::TextRenderingHintClearTypeGridFit);
            gdip::GdipSetInterpolationMode(graphics.get(), gp::InterpolationModeHighQualityBicubic);

            FontFamily family = MakeFontFamily(memoryDc);
            Font messageFont = MakeFont(family, kMessagePoints);
            Font statusFont = MakeFont(family, kStatusPoints);
            Brush messageBrush = MakeBrush(kMessageColour);
            Brush statusBrush = MakeBrush(kStatusColour);
            Brush backgroundBrush = MakeBrush(kBackgroundColour);
            gp::GpStringFormat* rawFormat = nullptr;
            gdip::GdipCreateStringFormat(0, LANG_NEUTRAL, &rawFormat);
            StringFormat format(rawFormat);
            gdip::GdipSetStringFormatAlign(format.get(), gp::StringAlignmentCenter);
            gdip::GdipSetStringFormatLineAlign(format.get(), gp::StringAlignmentCenter);

            const LayoutRect& all = layout.background;
            gdip::GdipFillRectangle(graphics.get(), backgroundBrush.get(), all.left, all.top, all.width,
                                    all.height);
            gp::RectF message = ToRectF(layout.message);
            gdip::GdipDrawString(graphics.get(), kReadyMessageDrawn, -1, messageFont.get(), &message,
                                 format.get(), messageBrush.get());
            gp::RectF status = ToRectF(layout.status);
            const std::wstring& statusText = StatusText();
            // A text too long for the band wraps; what does not fit is cut off at the band's edges
            // (Wine's GDI+ lets the centred overflow spill above it otherwise).
            gdip::GdipSetClipRect(graphics.get(), status.X, status.Y, status.Width, status.Height,
                                  gp::CombineModeReplace);
            gdip::GdipDrawString(graphics.get(), statusText.c_str(), -1, statusFont.get(), &status,
                                 format.get(), statusBrush.get());
            gdip::GdipResetClip(graphics.get());

            auto* record = reinterpret_cast<StatusWindowRecord*>(GetWindowLongPtrW(window, GWLP_USERDATA));
            StatusWindowProvider* root = record != nullptr ? record->accessibilityRoot : nullptr;
            if (root != nullptr && root->message != nullptr && root->status != nullptr) {
                UpdateTextElement(root->message, kReadyMessageAccessible, ToBounds(layout.message));
                UpdateTextElement(root->status, statusText, ToBounds(layout.status));
            }

            Bitmap logo(LoadLogoImage());
            if (logo) {
                const LayoutRect& box = layout.logo;
                gdip::GdipDrawImageRect(graphics.get(), logo.get(), box.left, box.top, box.width, box.height);
            }
        }
        if (buffer) {
            BufferedPaintSetAlpha(buffer.get(), &r, 255);
        }
    } // the GDI+ objects go first, then the buffer is copied to the screen
    EndPaint(window, &paint);
}

} // namespace orbalt
