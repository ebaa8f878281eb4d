#include "core/Services.h"
#include "core/ZephModel.h"

namespace pellam {

ModelArray::ModelArray() = default;
ModelArray::~ModelArray() = default;

void ModelArray::clear() { models_.clear(); }

ZephModel* ModelArray::append(std::unique_ptr<ZephModel> model) {
    models_.push_back(std::move(model));
    return models_.back().get();
}

ZephModel* ModelArray::put(long index, std::unique_ptr<ZephModel> model) {
    if (index < 0) return nullptr;
    if (index >= size()) models_.resize(static_cast<size_t>(index) + 1);
    models_[index] = std::move(model);
    return models_[index].get();
}

std::unique_ptr<ZephModel> ModelArray::take(long index) {
    if (index < 0 || index >= size()) return nullptr;
    return std::move(models_[index]);
}

long ModelArray::indexOf(const ZephModel* model) const {
    for (long i = 0; i < size(); ++i)
        if (models_[i].get() == model) return i;
    return -1;
}

}  // namespace pellam
