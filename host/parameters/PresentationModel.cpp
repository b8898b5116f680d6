#include "host/parameters/PresentationModel.h"

PresentationModel::PresentationModel() = default;
PresentationModel::~PresentationModel() = default;
