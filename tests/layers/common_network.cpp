// The network is the sync's alone.
#include <QNetworkAccessManager>
