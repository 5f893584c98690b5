#include "DownloadSession.h"
