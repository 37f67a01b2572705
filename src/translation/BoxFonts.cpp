#include "translation/BoxFonts.h"

#include "base/UiText.h"
#include "translation/BmFont.h"

#include <QFileInfo>

#include <atomic>

namespace scrivlet {
namespace {

std::atomic<FontLoader> fontLoader{nullptr};

}  // namespace

void SetFontLoader(FontLoader loader)
{
    fontLoader = loader;
}

Result LoadBoxFont(const TextBox& box, std::shared_ptr<const TextMeasure>* measure)
{
    if (QFileInfo(box.font).suffix().compare(u"fnt", Qt::CaseInsensitive) == 0) {
        auto font = std::make_shared<BmFont>();
        if (Result read = font->Read(box.font, box.size); !read)
            return read;
        *measure = std::move(font);
        return {};
    }
    if (const FontLoader loader = fontLoader.load())
        return loader(box, measure);
    return Result::Failure(UiText("box.fontKind").arg(box.font));
}

}  // namespace scrivlet
