#include "serial/PortNameOrder.h"

#include <algorithm>
#include <cctype>

namespace trimora {

namespace {

bool CaseInsensitiveLess(const std::string& A, const std::string& B) {
    auto lowerLess = [](unsigned char a, unsigned char b) {
        return std::tolower(a) < std::tolower(b);
    };
    if (std::lexicographical_compare(A.begin(), A.end(), B.begin(), B.end(), lowerLess))
        return true;
    if (std::lexicographical_compare(B.begin(), B.end(), A.begin(), A.end(), lowerLess))
        return false;
    return A < B;  // the same text but for case: any fixed order
}

}  // namespace

void SortPortNames(std::vector<std::string>& Names) {
    std::sort(Names.begin(), Names.end(), CaseInsensitiveLess);
}

}  // namespace trimora
