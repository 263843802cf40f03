#include "catalog/CatalogLine.h"
