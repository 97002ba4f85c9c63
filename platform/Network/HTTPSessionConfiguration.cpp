#include "Network/HTTPSessionConfiguration.h"

std::shared_ptr<HTTPSessionConfiguration> HTTPSessionConfiguration::defaultSessionConfiguration()
{
    return std::make_shared<HTTPSessionConfiguration>();
}
