#pragma once
// The finger module's tests: query expressions, the socket component's
// tables, exchanges against loopback servers, and the pxfinger tool.

#include "finger/Mssocket.h"

#include <QObject>
#include <QStringList>

class TestFinger : public QObject {
    Q_OBJECT
private slots:
    // query expressions
    void splitExpression_data();
    void splitExpression();
    void validity();
    void splitList_data();
    void splitList();
    void fingerUrl_data();
    void fingerUrl();
    void badFingerUrl_data();
    void badFingerUrl();

    // component properties and tables
    void defaults();
    void hostRule_data();
    void hostRule();
    void portSticksWithoutColon();
    void errorTexts_data();
    void errorTexts();
    void errnoNumbers_data();
    void errnoNumbers();
    void resolverNumbers_data();
    void resolverNumbers();
    void timeCounter();

    // exchanges against loopback servers
    void normalExchange();
    void emptyReply();
    void largeReplyArrivesWhole();
    void refused();
    void unknownHost();
    void dottedAddressNeedsNoLookup();
    void silentServerTimesOut();
    void connectTimesOut();
    void slowServerIsReadToTheEnd();
    void cancelDuringReceive();
    void cancelDuringConnect();
    void cancelDuringLookup();
    void slowLookupIsWaitedOnInTurns();
    void otherAddressesAreTried();
    void handlerFailureIsReported();
    void endlessServerStopsAtBound();
    void receiveWithExpectedSize();
    void disconnectWithoutSocket();
    void secondOperationWhileWaiting();
    void deletedWhileWaiting();
    void failedExchangeKeepsSocketUntilNextConnect();
    void ipv6Literal();
    void sendToClosedPeerDoesNotKill();
    void resetEndsInFailure();

    // pxfinger
    void pxfingerUsage_data();
    void pxfingerUsage();
    void pxfingerQueries();
    void pxfingerFormats_data();
    void pxfingerFormats();
    void pxfingerOutputFailure();
    void pxfingerFailure();
    void pxfingerMatchesFingerd();
    void pxfingerCutReply_data();
    void pxfingerCutReply();
    void pxfingerReaderGoes();
};

// What a component reported, in order: "connecting", "connected",
// "progress:<ByteCount>:<Perc>:<LineCount>", "disconnected".
QStringList& Record(TmsClientSocket& socket, QStringList& events);
