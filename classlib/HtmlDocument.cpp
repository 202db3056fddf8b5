// HTML to RTF for the page view. Three stages: bytes to UTF-16 text
// (HtmlDecoding.cpp), text to a small element tree (HtmlTree.cpp), tree to
// RTF (HtmlRender.cpp, HtmlRtfWriter.cpp, HtmlPictures.cpp).
#include "classlib/HtmlInternal.h"

namespace html {

using namespace detail;

namespace {
std::string Convert(std::string_view htmlBytes, const PictureLoader& loadPicture, std::vector<std::string>* apart,
                    DeferredRtf* later = nullptr, const PictureProbe* probe = nullptr) {
    return PageRtf(ParsePage(DecodeText(htmlBytes)), loadPicture, apart, later, probe);
}
}  // namespace

std::string ToRtf(std::string_view htmlBytes, const PictureLoader& loadPicture) {
    return Convert(htmlBytes, loadPicture, nullptr);
}

SplitRtf ToRtfSplit(std::string_view htmlBytes, const PictureLoader& loadPicture) {
    SplitRtf page;
    page.text = Convert(htmlBytes, loadPicture, &page.pictures);
    return page;
}

DeferredRtf ToRtfDeferred(std::string_view htmlBytes, const PictureProbe& exists) {
    DeferredRtf page;
    page.text = Convert(htmlBytes, {}, nullptr, &page, &exists);
    return page;
}

}  // namespace html
